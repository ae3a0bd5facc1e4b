// Starting the threads that share a run's work.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>

// Starts `work` on a new thread that begins on a core of its own: the
// index-th core after the caller's among those the process may use (worker
// 1 on the next core, and so on round). The new thread then stays on that
// core if `stay`, else it may move as the system sees fit, as any thread may.
//
// Left to itself, the kernel often queues a new thread on the core of the
// thread that made it, where it waits for milliseconds until the other core
// takes it over; two threads of one process then run on one core for that
// time, where two processes started side by side do not (a loop of 70 ms on
// each of two threads took up to 82 ms so). Where the cores cannot be named
// (not Linux, one core allowed), this is a plain std::thread.
std::thread startWorker(std::size_t index, std::function<void()> work, bool stay = false);

// The cores this process may run on: those of its affinity mask (a cluster
// job's allocation), else every core of the machine; at least 1.
std::size_t usableCores();

// The run's worker threads, started once and kept for every parallel step
// of the run; when they and the caller take every core the process may use,
// each worker stays on the core it started on. Between steps a worker waits actively for a while (yielding to
// any other thread that wants its core), then sleeps: on a virtual machine a
// thread that is started, or woken on an idle core, can take milliseconds to
// run, which at the start of each step of a few tens of milliseconds would
// be lost.

// A function each worker calls once, before anything else (the driver tunes
// the thread's memory with it); none by default. Set it before the first
// worker starts.
void setWorkerStart(void (*start)());

// Starts workers now, up to `count` of them, so that the first parallel step
// finds them running.
void startWorkers(std::size_t count);

// Calls work(i) for every i in [0, n), each once, on up to `workers` threads
// (the caller's among them): each thread takes the next index as it comes
// free. From within a step, the caller does it all. An exception thrown by
// work on any thread stops the step and is thrown to the caller.
void parallelFor(std::size_t n, int workers, const std::function<void(std::size_t)>& work);
