#pragma once
// Edit styles: the border and button look of the in-place editors, and the
// style controllers that share one look among many editors.
//
// Each of the seven look values of a `TdxEditStyle` is either the style's own
// (its member is in `AssignedValues`) or falls back, in this order, to the
// editor's own `StyleController`, to the process-wide default controller, or
// to a fixed value. A controller keeps a list of the editors linked to it and
// tells each of them when one of its values changes.
//
// Editors take part through `TdxEditStyleLink`, a small interface that the
// in-place editor implements: styles and controllers need nothing else of it.

#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/base/event.h"
#include "framework/core/component/persistent.h"
#include "framework/core/base/set.h"
#include "framework/gui/graphics.h"

enum TdxEditBorderStyle { xbsNone, xbsSingle, xbsThick, xbsFlat, xbs3D };
enum TdxEditButtonViewStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat };
enum TdxEditButtonTransparence { ebtNone, ebtInactive, ebtAlways, ebtHideInactive };

enum TdxEditEdge { edgLeft, edgTop, edgRight, edgBottom };
using TdxEditEdges = TSet<TdxEditEdge, 4>;
// All four edges (the set's bits are 15).
inline const TdxEditEdges dxAllEdges{edgLeft, edgTop, edgRight, edgBottom};

enum TdxEditStyleValue {
  svBorderColor,
  svBorderStyle,
  svButtonStyle,
  svButtonTransparence,
  svEdges,
  svHotTrack,
  svShadow
};
// Bits 1, 2, 4, ... 64 in the order above.
using TdxEditStyleValues = TSet<TdxEditStyleValue, 7>;

// Sender is the controller, Link the editor (as a framework object) that the
// change is being reported to.
using TdxStyleChangedEvent = TEvent<void(TObject* Sender, TObject* Link)>;

class TdxEditStyleController;

// What a style and its controllers need of the editor they serve. The
// in-place editor implements it beside its control base; its existing
// `StyleController()` getter and `StyleChanged()` operation are the two
// members. The editor stays the owner of its style and of its link
// registrations (see `TdxStyleController::AddLink`).
class TdxEditStyleLink {
 public:
  // The controller the editor is linked to, or nullptr.
  virtual TdxEditStyleController* StyleController() const = 0;
  // The look changed: re-measure and repaint.
  virtual void StyleChanged() = 0;

 protected:
  TdxEditStyleLink() = default;
  TdxEditStyleLink(const TdxEditStyleLink&) = delete;
  TdxEditStyleLink& operator=(const TdxEditStyleLink&) = delete;
  ~TdxEditStyleLink() = default;
};

// A component that editors link to. It keeps the links in the order they
// came (not owned: an editor removes itself before it dies, and takes a free
// notification from the controller so that it forgets a controller that dies
// first), and reports a change to every link unless its update lock is held
// or it is loading.
class TdxStyleController : public TComponent {
 public:
  explicit TdxStyleController(TComponent* owner);
  ~TdxStyleController() override;

  // Update lock: changes inside are reported once, at the outermost end.
  void BeginUpdate();
  void EndUpdate();
  // Notifies every link in list order, unless locked, loading or dying.
  void Changed();

  void Loaded() override;

  // Appends link (an editor linked twice is notified twice and must be
  // removed twice).
  virtual void AddLink(TdxEditStyleLink* link);
  // Removes the first occurrence of link; nothing when it is not there.
  virtual void RemoveLink(TdxEditStyleLink* link);
  // Tells one link of a change; the base fires OnStyleChanged.
  virtual void NotifyLink(TdxEditStyleLink* link);

  int LinkCount() const { return static_cast<int>(FLinks.size()); }
  // Raises EListError for an index out of range.
  TdxEditStyleLink* Links(int index) const;
  bool HasLink(const TdxEditStyleLink* link) const;

  TdxStyleChangedEvent OnStyleChanged;

 protected:
  void DoStyleChanged(TdxEditStyleLink* link);
  int UpdateCount() const { return FUpdateCount; }

 private:
  std::vector<TdxEditStyleLink*> FLinks;
  int FUpdateCount = 0;
};

// BeginUpdate/EndUpdate of a controller for one scope. `Finish()` ends the
// bracket and lets a failing change handler be reported; the destructor ends
// an unfinished bracket and swallows such a failure, because another error
// is then usually on its way.
class TdxStyleControllerUpdateScope {
 public:
  explicit TdxStyleControllerUpdateScope(TdxStyleController& controller) : FController(&controller) {
    controller.BeginUpdate();
  }
  ~TdxStyleControllerUpdateScope();
  TdxStyleControllerUpdateScope(const TdxStyleControllerUpdateScope&) = delete;
  TdxStyleControllerUpdateScope& operator=(const TdxStyleControllerUpdateScope&) = delete;

  void Finish();

 private:
  TdxStyleController* FController;
};

// The seven look values shared by the editors linked to it. Every writer
// that changes a value reports the change to the links.
class TdxEditStyleController : public TdxStyleController {
 public:
  explicit TdxEditStyleController(TComponent* owner);

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TdxEditBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TdxEditBorderStyle value);
  TdxEditButtonViewStyle ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TdxEditButtonViewStyle value);
  TdxEditButtonTransparence ButtonTransparence() const { return FButtonTransparence; }
  void SetButtonTransparence(TdxEditButtonTransparence value);
  TdxEditEdges Edges() const { return FEdges; }
  void SetEdges(TdxEditEdges value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value);
  bool Shadow() const { return FShadow; }
  void SetShadow(bool value);

  // From another edit-style controller: all seven values, one notification.
  void Assign(const TPersistent* source) override;

  // Skips an editor linked to another controller (the default controller
  // keeps every editor as a link); otherwise the editor's StyleChanged, then
  // OnStyleChanged.
  void NotifyLink(TdxEditStyleLink* link) override;
  // The seven defaults, one notification.
  virtual void RestoreDefaults();

 private:
  TColor FBorderColor = clWindowFrame;
  TdxEditBorderStyle FBorderStyle = xbs3D;
  TdxEditButtonViewStyle FButtonStyle = btsDefault;
  TdxEditButtonTransparence FButtonTransparence = ebtNone;
  TdxEditEdges FEdges = dxAllEdges;
  bool FHotTrack = false;
  bool FShadow = false;
};

// The controller for check boxes: no border and 3D buttons by default.
class TdxCheckEditStyleController : public TdxEditStyleController {
 public:
  explicit TdxCheckEditStyleController(TComponent* owner);
  void RestoreDefaults() override;
};

// The look of one editor, owned by it. Reads give the style's own value
// where assigned, else the fallback (see the file comment). Writing a value
// always makes it the style's own, even when equal to the fallback.
class TdxEditStyle : public TPersistent {
 public:
  // Links editor to the default controller when one exists.
  explicit TdxEditStyle(TdxEditStyleLink* editor);
  ~TdxEditStyle() override;

  TdxEditStyleLink* Editor() const { return FEditor; }

  TdxEditStyleValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TdxEditStyleValues value);

  TColor BorderColor() const;
  void SetBorderColor(TColor value);
  TdxEditBorderStyle BorderStyle() const;
  void SetBorderStyle(TdxEditBorderStyle value);
  TdxEditButtonViewStyle ButtonStyle() const;
  void SetButtonStyle(TdxEditButtonViewStyle value);
  TdxEditButtonTransparence ButtonTransparence() const;
  void SetButtonTransparence(TdxEditButtonTransparence value);
  TdxEditEdges Edges() const;
  void SetEdges(TdxEditEdges value);
  bool HotTrack() const;
  void SetHotTrack(bool value);
  bool Shadow() const;
  void SetShadow(bool value);

  // From another style: its effective values, so all seven become assigned.
  void Assign(const TPersistent* source) override;
  // Clears AssignedValues: every value follows its fallback again.
  virtual void RestoreDefaults();

 protected:
  // Tells the editor (its StyleChanged).
  virtual void Changed();
  // The fallbacks: the editor's controller, else GetDefaultController(),
  // else the fixed defaults. A tree list's style answers from the tree list.
  virtual TColor DefaultBorderColor() const;
  virtual TdxEditBorderStyle DefaultBorderStyle() const;
  virtual TdxEditButtonViewStyle DefaultButtonStyle() const;
  virtual TdxEditButtonTransparence DefaultButtonTransparence() const;
  virtual TdxEditEdges DefaultEdges() const;
  virtual bool DefaultHotTrack() const;
  virtual bool DefaultShadow() const;
  // The process-wide default controller (nullptr when none exists).
  virtual TdxEditStyleController* GetDefaultController() const;

 private:
  // The controller the fallbacks read: the editor's, else the default one.
  TdxEditStyleController* FallbackController() const;
  template <class T>
  void WriteValue(TdxEditStyleValue member, T& field, const T& value);

  TdxEditStyleLink* FEditor;
  TdxEditStyleValues FAssignedValues;
  TColor FBorderColor = clWindowFrame;
  TdxEditBorderStyle FBorderStyle = xbs3D;
  TdxEditButtonViewStyle FButtonStyle = btsDefault;
  TdxEditButtonTransparence FButtonTransparence = ebtNone;
  TdxEditEdges FEdges = dxAllEdges;
  bool FHotTrack = false;
  bool FShadow = false;
};

// The process-wide default controller, or nullptr outside every
// `TdxDefaultEditStyleControllerScope`.
TdxEditStyleController* DefaultEditStyleController();

// Makes the default controller live for its lifetime. The program opens one
// at start-up, before any editor exists, and closes it at the end; tests
// open their own. Scopes nest by counting: the outermost creates the
// controller and frees it. GUI thread only.
class TdxDefaultEditStyleControllerScope {
 public:
  TdxDefaultEditStyleControllerScope();
  ~TdxDefaultEditStyleControllerScope();
  TdxDefaultEditStyleControllerScope(const TdxDefaultEditStyleControllerScope&) = delete;
  TdxDefaultEditStyleControllerScope& operator=(const TdxDefaultEditStyleControllerScope&) = delete;

  TdxEditStyleController& Controller() const { return *DefaultEditStyleController(); }
};
