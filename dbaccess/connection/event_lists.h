#pragma once
// Lists of event handlers that forget a handler when the component it is
// bound to is destroyed. The connection and the transaction keep their
// connect, disconnect and destroy listeners in them. A list is a component:
// it asks each handler's component for a free notification and drops that
// component's entries when it goes. Owned by its owner, or by a unique_ptr.

#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/base/object.h"

class TCallBackList : public TComponent {
 public:
  explicit TCallBackList(TComponent* owner = nullptr);

  // Adds the handler unless an equal one (same object and method) is listed;
  // returns the index of the entry. The entry goes when the component the
  // handler is bound to is destroyed: `target` when given, else the
  // component whose method the handler calls (when it is a component).
  int Add(const TNotifyEvent& handler, TComponent* target = nullptr);

  template <class C>
  int Add(C* object, void (C::*method)(TObject*)) {
    return Add(TNotifyEvent(object, method));
  }

  // Removes every equal entry.
  void Remove(const TNotifyEvent& handler);
  // The last equal entry, or -1.
  int IndexOf(const TNotifyEvent& handler) const;
  int Count() const { return static_cast<int>(FEntries.size()); }
  // The handler at index, or an empty handler for an index out of range.
  TNotifyEvent Get(int index) const;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct TEntry {
    TNotifyEvent Handler;
    TComponent* Target;
  };
  void ForgetTarget(TComponent* target);

  std::vector<TEntry> FEntries;
};

// The kind of callback list the connection and the transaction create.
class TNotifyEventList : public TCallBackList {
 public:
  using TCallBackList::TCallBackList;
};
