// The per-procedure error handler. Every procedure of the system (outside the
// error form) creates a Procedure with its module and its own name and runs
// its statements as steps. A RuntimeError in a step goes to the dispatcher
// (ErrPtnr::OnError), and the step obeys the action it returns:
//   Retry  - the failing step runs again,
//   Ignore - execution continues with the next step,
//   Cancel - the procedure is left at once (run() returns),
//   End    - the program ends: ProgramEnd is thrown up to the event loop.
// The dispatcher answers Retry, except when a statement fails again on its
// retry with no other failure in between: then it answers End, so a failure
// that recurs every time never loops.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <string>

#include "platform/numbers.h"

namespace syl {

enum class ErrorAction : int16_t { Retry = 0, Ignore = 1, Cancel = 2, End = 3 };

// Ends the program at once. Thrown by the End action and by Shutdown; caught
// only by the shell's event loop (and by tests), never by a procedure.
struct ProgramEnd {};

// Runs an event of a form from a window toolkit's callback, which no
// exception may leave: true when the program goes on, false when it ends
// there (the end was raised, or a failure, which is reported on stderr).
template <class F>
bool runEvent(F&& event) noexcept
{
    try {
        event();
        return true;
    } catch (const ProgramEnd&) {
        return false;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sylvadra: %s\n", e.what());
        return false;
    }
}

// Sends a failure to the error form's dispatcher (defined with ErrPtnr).
// statement identifies one execution of a statement (a call of
// Procedure::step; its retries keep the number), 0 when unknown. The
// dispatcher's repeat guard uses it to tell a statement failing again on its
// retry from another statement of the same procedure and line.
ErrorAction dispatchError(const char* module, const char* procedure, const RuntimeError& error, int line,
                          unsigned long long statement = 0);

// For tests: a hook that answers in place of the dispatcher; an empty
// function restores the dispatcher.
using DispatchHook =
    std::function<ErrorAction(const char* module, const char* procedure, const RuntimeError& error, int line)>;
void setDispatchHook(DispatchHook hook);

namespace detail {
inline unsigned long long lastStatementSerial = 0;
} // namespace detail

class Procedure {
public:
    Procedure(const char* module, const char* name) : module_(module), name_(name) {}

    // Runs the procedure's body; a Cancel action inside it returns from here.
    template <class Body>
    void run(Body&& body)
    {
        try {
            body();
        } catch (const Cancelled& c) {
            if (c.owner != this) throw;
        }
    }

    // One statement, with its line (0 outside frmMain).
    template <class F>
    void step(int line, F&& body)
    {
        const unsigned long long statement = ++detail::lastStatementSerial;
        for (;;) {
            ErrorAction action;
            try {
                body();
                return;
            } catch (const RuntimeError& e) {
                action = dispatchError(module_, name_, e, line, statement);
            } catch (const std::bad_alloc&) {
                action = dispatchError(module_, name_, RuntimeError(kErrOutOfMemory), line, statement);
            }
            switch (action) {
            case ErrorAction::Retry: continue;
            case ErrorAction::Ignore: return;
            case ErrorAction::End: throw ProgramEnd{};
            default: throw Cancelled{this};
            }
        }
    }

    const char* module() const { return module_; }
    const char* name() const { return name_; }

private:
    struct Cancelled {
        const Procedure* owner;
    };
    const char* module_;
    const char* name_;
};

} // namespace syl
