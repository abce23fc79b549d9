#include "grid/edit_styles.h"

#include <algorithm>
#include <memory>

#include "grid/inplace_editor.h"

// --- TdxStyleController --------------------------------------------------------------

TdxStyleController::TdxStyleController(TComponent* owner) : TComponent(owner) {}

TdxStyleController::~TdxStyleController() {
  // Editors still linked fall back to the default controller.
  std::vector<TdxInplaceEdit*> links = std::move(FLinks);
  FLinks.clear();
  for (TdxInplaceEdit* editor : links)
    if (editor->StyleController() == this) editor->StyleControllerRemoved();
}

void TdxStyleController::EndUpdate() {
  if (FLockCount > 0) --FLockCount;
  Changed();
}

void TdxStyleController::Changed() {
  if (FLockCount > 0 || ComponentState().Contains(TComponentStateItem::csLoading)) return;
  // A link may leave the list while it is told.
  std::vector<TdxInplaceEdit*> links = FLinks;
  for (TdxInplaceEdit* editor : links)
    if (std::find(FLinks.begin(), FLinks.end(), editor) != FLinks.end()) NotifyLink(editor);
}

void TdxStyleController::Loaded() {
  TComponent::Loaded();
  Changed();
}

void TdxStyleController::AddLink(TdxInplaceEdit* link) {
  if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TdxStyleController::RemoveLink(TdxInplaceEdit* link) { std::erase(FLinks, link); }

void TdxStyleController::NotifyLink(TdxInplaceEdit* link) { DoStyleChanged(link); }

void TdxStyleController::DoStyleChanged(TdxInplaceEdit* link) {
  if (OnStyleChanged) OnStyleChanged(this, link);
}

// --- TdxEditStyleController ----------------------------------------------------------

TdxEditStyleController::TdxEditStyleController(TComponent* owner) : TdxStyleController(owner) {}

namespace {
template <class T>
void Store(TdxEditStyleController& c, T& field, const T& value) {
  if (field == value) return;
  field = value;
  c.Changed();
}
}  // namespace

void TdxEditStyleController::SetBorderColor(TColor value) { Store(*this, FBorderColor, value); }
void TdxEditStyleController::SetBorderStyle(TdxEditBorderStyle value) { Store(*this, FBorderStyle, value); }
void TdxEditStyleController::SetButtonStyle(TdxEditButtonViewStyle value) { Store(*this, FButtonStyle, value); }
void TdxEditStyleController::SetButtonTransparence(TdxEditButtonTransparence value) {
  Store(*this, FButtonTransparence, value);
}
void TdxEditStyleController::SetEdges(TdxEditEdges value) { Store(*this, FEdges, value); }
void TdxEditStyleController::SetHotTrack(bool value) { Store(*this, FHotTrack, value); }
void TdxEditStyleController::SetShadow(bool value) { Store(*this, FShadow, value); }

void TdxEditStyleController::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TdxEditStyleController*>(source);
  if (!other) {
    TdxStyleController::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    SetBorderColor(other->BorderColor());
    SetBorderStyle(other->BorderStyle());
    SetButtonStyle(other->ButtonStyle());
    SetButtonTransparence(other->ButtonTransparence());
    SetEdges(other->Edges());
    SetHotTrack(other->HotTrack());
    SetShadow(other->Shadow());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TdxEditStyleController::NotifyLink(TdxInplaceEdit* link) {
  if (link->StyleController() && link->StyleController() != this) return;
  link->StyleChanged();
  DoStyleChanged(link);
}

void TdxEditStyleController::RestoreDefaults() {
  BeginUpdate();
  FBorderColor = clWindowFrame;
  FBorderStyle = xbs3D;
  FButtonStyle = btsDefault;
  FButtonTransparence = ebtNone;
  FEdges = dxAllEdges;
  FHotTrack = false;
  FShadow = false;
  EndUpdate();
}

TdxEditStyleController* DefaultEditStyleController() {
  static const std::unique_ptr<TdxEditStyleController> controller =
      std::make_unique<TdxEditStyleController>(nullptr);
  return controller.get();
}

// --- TdxEditStyle ----------------------------------------------------------------------

TdxEditStyle::TdxEditStyle(TdxInplaceEdit* editor) : FEditor(editor) {
  if (TdxEditStyleController* d = GetDefaultController()) d->AddLink(editor);
}

TdxEditStyle::~TdxEditStyle() {
  if (TdxEditStyleController* d = DefaultEditStyleController()) d->RemoveLink(FEditor);
}

void TdxEditStyle::SetAssignedValues(TdxEditStyleValues values) {
  if (values == FAssignedValues) return;
  FAssignedValues = values;
  Changed();
}

const TdxEditStyleController* TdxEditStyle::FallbackController() const {
  if (FEditor && FEditor->StyleController()) return FEditor->StyleController();
  return GetDefaultController();
}

template <class T>
void TdxEditStyle::SetValue(TdxEditStyleValue which, T& field, const T& value) {
  if (FAssignedValues.Contains(which) && field == value) return;
  field = value;
  FAssignedValues.Include(which);
  Changed();
}

#define TULVO_STYLE_VALUE(Type, Name, Member, Fallback)                          \
  Type TdxEditStyle::Name() const {                                              \
    return FAssignedValues.Contains(Member) ? F##Name : Default##Name();         \
  }                                                                              \
  void TdxEditStyle::Set##Name(Type value) { SetValue(Member, F##Name, value); } \
  Type TdxEditStyle::Default##Name() const {                                     \
    const TdxEditStyleController* c = FallbackController();                      \
    return c ? c->Name() : Fallback;                                             \
  }

TULVO_STYLE_VALUE(TColor, BorderColor, svBorderColor, clWindowFrame)
TULVO_STYLE_VALUE(TdxEditBorderStyle, BorderStyle, svBorderStyle, xbs3D)
TULVO_STYLE_VALUE(TdxEditButtonViewStyle, ButtonStyle, svButtonStyle, btsDefault)
TULVO_STYLE_VALUE(TdxEditButtonTransparence, ButtonTransparence, svButtonTransparence, ebtNone)
TULVO_STYLE_VALUE(TdxEditEdges, Edges, svEdges, dxAllEdges)
TULVO_STYLE_VALUE(bool, HotTrack, svHotTrack, false)
TULVO_STYLE_VALUE(bool, Shadow, svShadow, false)

#undef TULVO_STYLE_VALUE

void TdxEditStyle::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TdxEditStyle*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  SetBorderColor(other->BorderColor());
  SetBorderStyle(other->BorderStyle());
  SetButtonStyle(other->ButtonStyle());
  SetButtonTransparence(other->ButtonTransparence());
  SetEdges(other->Edges());
  SetHotTrack(other->HotTrack());
  SetShadow(other->Shadow());
}

void TdxEditStyle::RestoreDefaults() {
  FAssignedValues.Clear();
  Changed();
}

void TdxEditStyle::Changed() {
  if (FEditor) FEditor->StyleChanged();
}
