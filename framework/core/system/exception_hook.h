#pragma once
// The application's handler of exceptions that no caller is left to take:
// an error raised while a form loads its components, or inside an event
// that the framework itself runs. The core only keeps the hook; the GUI
// application installs the handler that shows the message (and drops the
// silent abort). Without a hook (tests, tools) the exception goes on to the
// caller.

#include <functional>

class TObject;

// Called inside a catch block, with the exception being handled current
// (std::current_exception); sender is the object that met it, or nullptr.
using TApplicationExceptionHandler = std::function<void(TObject* sender)>;

// Installs the handler; an empty one removes it. Returns the previous one,
// so that a scope (a test) can put it back.
TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler);

// Passes the exception being handled to the installed handler and answers
// true; answers false without a handler, and the caller then rethrows.
// The handler's own exception propagates.
bool HandleApplicationException(TObject* sender);
