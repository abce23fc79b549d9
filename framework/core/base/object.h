#pragma once
// The root of the framework's class tree. Senders of events are passed as
// `TObject*`; a handler that needs more asks with dynamic_cast.

#include "framework/core/base/event.h"

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;
