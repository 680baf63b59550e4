#include "engine/component/ActingFor.h"

namespace orvel {

namespace {
thread_local std::thread::id actingFor; // default: acting for nobody but itself
} // namespace

std::thread::id ActingThreadId() {
    return actingFor != std::thread::id() ? actingFor : std::this_thread::get_id();
}

TActingFor::TActingFor(std::thread::id worker) : previous_(actingFor) {
    actingFor = worker;
}

TActingFor::~TActingFor() {
    actingFor = previous_;
}

} // namespace orvel
