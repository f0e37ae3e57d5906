#pragma once

#include <algorithm>
#include <boost/function.hpp>
#include <cstdint>
#include <utility>
#include <vector>

// Runs the completion handlers that became ready together in order of importance instead of
// arrival. Every handler that an event loop would run for a wrapped handler is parked here
// (through the handler-invocation hook below) and run later by execute_all(), highest
// priority first; handlers of equal priority run in the order they were added, so two writes
// posted one after the other reach the wire in that order.
//
// Touched by the thread that runs the event loop only; it needs no lock.
class handler_priority_queue {
public:
    void add(int priority, boost::function<void()> function) {
        handlers.emplace_back(priority, next_sequence++, std::move(function));
        std::push_heap(handlers.begin(), handlers.end());
    }

    // Runs and removes every queued handler, highest priority first. A handler is removed
    // before it runs, so one that throws is not run again; the exception leaves this call
    // and calling it again carries on with the rest.
    void execute_all() {
        while (!handlers.empty()) {
            std::pop_heap(handlers.begin(), handlers.end());
            queued_handler next = std::move(handlers.back());
            handlers.pop_back();
            next.execute();
        }
    }

    bool empty() const { return handlers.empty(); }

    template <typename Handler>
    class wrapped_handler {
    public:
        wrapped_handler(handler_priority_queue& queue, int priority, Handler handler)
            : queue(queue), priority(priority), handler(std::move(handler)) {}

        void operator()() { handler(); }

        template <typename Arg1>
        void operator()(const Arg1& arg1) {
            handler(arg1);
        }

        template <typename Arg1, typename Arg2>
        void operator()(const Arg1& arg1, const Arg2& arg2) {
            handler(arg1, arg2);
        }

        handler_priority_queue& queue;
        int priority;
        Handler handler;
    };

    template <typename Handler>
    wrapped_handler<Handler> wrap(int priority, Handler handler) {
        return wrapped_handler<Handler>(*this, priority, std::move(handler));
    }

private:
    class queued_handler {
    public:
        queued_handler(int priority, std::uint64_t sequence, boost::function<void()> function)
            : priority(priority), sequence(sequence), function(std::move(function)) {}

        void execute() { function(); }

        // The heap's top is the largest element: the highest priority, and among equal
        // priorities the one added first.
        friend bool operator<(const queued_handler& a, const queued_handler& b) {
            if (a.priority != b.priority) {
                return a.priority < b.priority;
            }
            return a.sequence > b.sequence;
        }

    private:
        int priority;
        std::uint64_t sequence;
        boost::function<void()> function;
    };

    std::vector<queued_handler> handlers;
    std::uint64_t next_sequence = 0;
};

// The event loop's handler-invocation hook, found by argument-dependent lookup for every
// wrapped handler: the ready completion (its results already bound) is queued, not run.
template <typename Function, typename Handler>
void asio_handler_invoke(Function function,
                         handler_priority_queue::wrapped_handler<Handler>* handler) {
    handler->queue.add(handler->priority, std::move(function));
}
