#pragma once
// Edit styles: the look of an editor's border and buttons. Each of the
// seven values of a `TdxEditStyle` is the editor's own once assigned;
// otherwise it falls back to the editor's style controller, else to the
// process-wide default controller. A `TdxEditStyleController` is a
// component placed on a form; it tells its linked editors when a value
// changes. The style belongs to its editor (which creates and frees it);
// controllers only refer to editors.

#include <cstdint>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/event.h"
#include "framework/core/set.h"
#include "framework/gui/graphics.h"

class TdxInplaceEdit;

enum TdxEditBorderStyle { xbsNone, xbsSingle, xbsThick, xbsFlat, xbs3D };
enum TdxEditButtonViewStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat };
enum TdxEditButtonTransparence { ebtNone, ebtInactive, ebtAlways, ebtHideInactive };
enum TdxEditEdge { edgLeft, edgTop, edgRight, edgBottom };
using TdxEditEdges = TSet<TdxEditEdge, 4>;
inline const TdxEditEdges dxAllEdges{edgLeft, edgTop, edgRight, edgBottom};
enum TdxEditStyleValue { svBorderColor, svBorderStyle, svButtonStyle, svButtonTransparence, svEdges, svHotTrack, svShadow };
using TdxEditStyleValues = TSet<TdxEditStyleValue, 7>;

using TdxStyleChangedEvent = TEvent<void(TObject* Sender, TObject* Link)>;

// The linked editors of a controller and its update bracket.
class TdxStyleController : public TComponent {
 public:
  explicit TdxStyleController(TComponent* owner);
  ~TdxStyleController() override;

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void Changed();
  void Loaded() override;

  virtual void AddLink(TdxInplaceEdit* link);
  virtual void RemoveLink(TdxInplaceEdit* link);
  virtual void NotifyLink(TdxInplaceEdit* link);
  virtual void RestoreDefaults() {}

  int LinkCount() const { return static_cast<int>(FLinks.size()); }

  TdxStyleChangedEvent OnStyleChanged;

 protected:
  void DoStyleChanged(TdxInplaceEdit* link);

 private:
  std::vector<TdxInplaceEdit*> FLinks;
  int FLockCount = 0;
};

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

  void Assign(const TPersistent* source) override;
  void NotifyLink(TdxInplaceEdit* link) override;
  void RestoreDefaults() override;

 private:
  TColor FBorderColor = clWindowFrame;
  TdxEditBorderStyle FBorderStyle = xbs3D;
  TdxEditButtonViewStyle FButtonStyle = btsDefault;
  TdxEditButtonTransparence FButtonTransparence = ebtNone;
  TdxEditEdges FEdges = dxAllEdges;
  bool FHotTrack = false;
  bool FShadow = false;
};

// The controller of editors that have none of their own; lives as long as
// the process.
TdxEditStyleController* DefaultEditStyleController();

class TdxEditStyle : public TPersistent {
 public:
  explicit TdxEditStyle(TdxInplaceEdit* editor);
  ~TdxEditStyle() override;

  TdxInplaceEdit* Editor() const { return FEditor; }

  TdxEditStyleValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TdxEditStyleValues values);

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

  void Assign(const TPersistent* source) override;
  virtual void RestoreDefaults();

 protected:
  virtual void Changed();
  virtual TColor DefaultBorderColor() const;
  virtual TdxEditBorderStyle DefaultBorderStyle() const;
  virtual TdxEditButtonViewStyle DefaultButtonStyle() const;
  virtual TdxEditButtonTransparence DefaultButtonTransparence() const;
  virtual TdxEditEdges DefaultEdges() const;
  virtual bool DefaultHotTrack() const;
  virtual bool DefaultShadow() const;
  virtual TdxEditStyleController* GetDefaultController() const { return DefaultEditStyleController(); }

 private:
  // The controller the fallbacks read: the editor's own, else the default.
  const TdxEditStyleController* FallbackController() const;
  template <class T>
  void SetValue(TdxEditStyleValue which, T& field, const T& value);

  TdxInplaceEdit* FEditor;
  TdxEditStyleValues FAssignedValues;
  TColor FBorderColor = clWindowFrame;
  TdxEditBorderStyle FBorderStyle = xbs3D;
  TdxEditButtonViewStyle FButtonStyle = btsDefault;
  TdxEditButtonTransparence FButtonTransparence = ebtNone;
  TdxEditEdges FEdges = dxAllEdges;
  bool FHotTrack = false;
  bool FShadow = false;
};
