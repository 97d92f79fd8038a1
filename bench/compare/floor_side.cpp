// SPDX-License-Identifier: MIT
// Sets up the floor: the case's line as tevra renders it, a mutex and the
// sink pointer, stored here so that the benchmark cannot see its target.
#include "floor_side.hpp"

#include "line_sink.hpp"
#include "tevra_side.hpp"

namespace tevra_compare {

FloorSide::FloorSide(const Case &c, std::string *capture) : sink_(&take_line), capture_(capture) {
    TevraSide tevra(c, &line_);
    DoubleFeed feed(c);
    write_call(tevra, c.call, feed.next());
    pthread_mutex_init(&mutex_, nullptr);
}

FloorSide::~FloorSide() { pthread_mutex_destroy(&mutex_); }

}  // namespace tevra_compare
