#pragma once
// The framework's exception tree. Every failure the program reports is one of
// these; messages are Windows-1251 text, like every other string here.
// `EAbort` is the silent abort: handlers that show errors never show it.

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

#define TULVO_DECLARE_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                                 \
  public:                                                                    \
    using Base::Base;                                                        \
  }

TULVO_DECLARE_EXCEPTION(EAbort, Exception);
TULVO_DECLARE_EXCEPTION(EConvertError, Exception);
TULVO_DECLARE_EXCEPTION(EListError, Exception);
TULVO_DECLARE_EXCEPTION(EStringListError, Exception);
TULVO_DECLARE_EXCEPTION(EInvalidOperation, Exception);
TULVO_DECLARE_EXCEPTION(EInvalidPointer, Exception);
TULVO_DECLARE_EXCEPTION(EComponentError, Exception);
TULVO_DECLARE_EXCEPTION(EVariantError, Exception);
TULVO_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
TULVO_DECLARE_EXCEPTION(EIntOverflow, Exception);
TULVO_DECLARE_EXCEPTION(EZeroDivide, Exception);
TULVO_DECLARE_EXCEPTION(EOutOfMemory, Exception);
TULVO_DECLARE_EXCEPTION(EStreamError, Exception);
TULVO_DECLARE_EXCEPTION(EReadError, EStreamError);
TULVO_DECLARE_EXCEPTION(EWriteError, EStreamError);
TULVO_DECLARE_EXCEPTION(EDatabaseError, Exception);
TULVO_DECLARE_EXCEPTION(EDBEditError, Exception);
TULVO_DECLARE_EXCEPTION(ERegistryException, Exception);

// Raises the silent abort.
[[noreturn]] void Abort();
