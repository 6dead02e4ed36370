/* Events dispatched by the host (a key-in, a data point, a reset, a dialog
** action). Each is one transaction of every open store and one undo step:
** areas that keep files register a listener that begins and ends theirs. */
#pragma once

#include <functional>

namespace sim {

struct EventListener {
    std::function<void()> begin;
    std::function<void(bool committed)> end;  /* committed false: roll back */
};

/* Register a listener for the host's lifetime; returns its id. */
int addEventListener(EventListener listener);
void removeEventListener(int id);

/* Run FN as one event. Nested calls join the outer event. Returns FN's
** result; when FN throws, the event is rolled back and the exception goes on. */
bool runEvent(const std::function<bool()>& fn);
bool inEvent();

/* Run FN each time an outermost event has ended, after every listener's
** end (work queued during the event, such as queued commands). FN may run
** events of its own. Returns an id for removeAfterEventHook. */
int addAfterEventHook(std::function<void()> fn);
void removeAfterEventHook(int id);

}  // namespace sim
