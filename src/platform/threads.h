// Starting the threads that share a run's work.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>

// Starts `work` on a new thread that begins on a core of its own: the
// index-th core after the caller's among those the process may use (worker
// 1 on the next core, and so on round). The new thread may then move as the
// system sees fit, as any thread may.
//
// Left to itself, the kernel often queues a new thread on the core of the
// thread that made it, where it waits for milliseconds until the other core
// takes it over; two threads of one process then run on one core for that
// time, where two processes started side by side do not (a loop of 70 ms on
// each of two threads took up to 82 ms so). Where the cores cannot be named
// (not Linux, one core allowed), this is a plain std::thread.
std::thread startWorker(std::size_t index, std::function<void()> work);
