#pragma once
// Events are public members holding a callable. Where a handler must be
// found again (to compare or remove it), the event carries an identity: the
// object and member function it was bound to, or an explicit key given with
// a free callable. Two events are equal when their identities are equal;
// events bound without identity are equal only when both are empty.
//
// A handler bound to a member function of a framework object also keeps that
// object (`BoundObject`), so that a list of handlers can learn of its end.

#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

class TObject;

template <class Sig>
class TEvent;

template <class R, class... A>
class TEvent<R(A...)> {
public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}

  // An anonymous handler: callable, but never equal to another handler.
  template <class F,
            class = std::enable_if_t<std::is_invocable_r_v<R, F&, A...> &&
                                     !std::is_same_v<std::decay_t<F>, TEvent>>>
  TEvent(F f) : FFn(std::move(f)) {}

  // A handler with an explicit identity key.
  template <class F>
  TEvent(const void* key, F f) : FFn(std::move(f)), FObject(key), FHasIdentity(true) {}

  // A handler bound to an object's member function; equal to another binding
  // of the same member function to the same object.
  template <class C>
  TEvent(C* object, R (C::*method)(A...))
      : FFn([object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); }),
        FObject(object),
        FHasIdentity(true) {
    static_assert(sizeof(method) <= sizeof(FMethod));
    std::memcpy(FMethod, &method, sizeof(method));
    if constexpr (std::is_convertible_v<C*, TObject*>) FBoundObject = object;
  }

  explicit operator bool() const noexcept { return static_cast<bool>(FFn); }
  bool Assigned() const noexcept { return static_cast<bool>(FFn); }

  R operator()(A... args) const { return FFn(std::forward<A>(args)...); }

  // The object the handler was bound to (or its key); nullptr when anonymous.
  const void* Object() const noexcept { return FObject; }
  // The framework object whose member function the handler calls; nullptr
  // for other handlers (anonymous, keyed, or bound to another kind of object).
  TObject* BoundObject() const noexcept { return FBoundObject; }

  friend bool operator==(const TEvent& a, const TEvent& b) noexcept {
    if (!a.FFn || !b.FFn) return !a.FFn && !b.FFn;
    if (!a.FHasIdentity || !b.FHasIdentity) return false;
    return a.FObject == b.FObject && std::memcmp(a.FMethod, b.FMethod, sizeof(a.FMethod)) == 0;
  }

private:
  std::function<R(A...)> FFn;
  const void* FObject = nullptr;
  TObject* FBoundObject = nullptr;
  unsigned char FMethod[2 * sizeof(void*)] = {};
  bool FHasIdentity = false;
};

