#include "grid/edit_styles.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "framework/core/base/exceptions.h"

// ------------------------------------------------------ TdxStyleController

TdxStyleController::TdxStyleController(TComponent* owner) : TComponent(owner) {}

TdxStyleController::~TdxStyleController() = default;

void TdxStyleController::BeginUpdate() { ++FUpdateCount; }

void TdxStyleController::EndUpdate() {
  // An unbalanced end must not drive the lock negative, which would
  // silence every later change.
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  Changed();
}

void TdxStyleController::Changed() {
  if (FUpdateCount > 0) return;
  const TComponentState state = ComponentState();
  if (state.Contains(TComponentStateItem::csLoading) || state.Contains(TComponentStateItem::csDestroying))
    return;
  // A link may unlink itself or others while it is told (an editor that
  // dies in a handler): work on a copy and skip those that left.
  const std::vector<TdxEditStyleLink*> links = FLinks;
  for (TdxEditStyleLink* link : links)
    if (HasLink(link)) NotifyLink(link);
}

void TdxStyleController::Loaded() {
  TComponent::Loaded();
  Changed();
}

void TdxStyleController::AddLink(TdxEditStyleLink* link) {
  if (link) FLinks.push_back(link);
}

void TdxStyleController::RemoveLink(TdxEditStyleLink* link) {
  const auto it = std::find(FLinks.begin(), FLinks.end(), link);
  if (it != FLinks.end()) FLinks.erase(it);
}

void TdxStyleController::NotifyLink(TdxEditStyleLink* link) { DoStyleChanged(link); }

TdxEditStyleLink* TdxStyleController::Links(int index) const {
  if (index < 0 || index >= LinkCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FLinks[static_cast<std::size_t>(index)];
}

bool TdxStyleController::HasLink(const TdxEditStyleLink* link) const {
  return std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end();
}

void TdxStyleController::DoStyleChanged(TdxEditStyleLink* link) {
  if (!OnStyleChanged) return;
  // The editor implements the link beside its framework base; handlers get
  // the editor itself.
  OnStyleChanged(this, dynamic_cast<TObject*>(link));
}

// ------------------------------------------ TdxStyleControllerUpdateScope

TdxStyleControllerUpdateScope::~TdxStyleControllerUpdateScope() {
  if (!FController) return;
  try {
    FController->EndUpdate();
  } catch (...) {
    // Swallowed: a destructor may not throw, and the bracket is closed
    // anyway; the normal path reports through Finish().
  }
}

void TdxStyleControllerUpdateScope::Finish() {
  TdxStyleController* controller = std::exchange(FController, nullptr);
  if (controller) controller->EndUpdate();
}

// -------------------------------------------------- TdxEditStyleController

namespace {

template <class T>
void WriteControllerValue(TdxStyleController& controller, T& field, const T& value) {
  if (field == value) return;
  field = value;
  controller.Changed();
}

}  // namespace

TdxEditStyleController::TdxEditStyleController(TComponent* owner) : TdxStyleController(owner) {}

void TdxEditStyleController::SetBorderColor(TColor value) {
  WriteControllerValue(*this, FBorderColor, value);
}

void TdxEditStyleController::SetBorderStyle(TdxEditBorderStyle value) {
  WriteControllerValue(*this, FBorderStyle, value);
}

void TdxEditStyleController::SetButtonStyle(TdxEditButtonViewStyle value) {
  WriteControllerValue(*this, FButtonStyle, value);
}

void TdxEditStyleController::SetButtonTransparence(TdxEditButtonTransparence value) {
  WriteControllerValue(*this, FButtonTransparence, value);
}

void TdxEditStyleController::SetEdges(TdxEditEdges value) { WriteControllerValue(*this, FEdges, value); }

void TdxEditStyleController::SetHotTrack(bool value) { WriteControllerValue(*this, FHotTrack, value); }

void TdxEditStyleController::SetShadow(bool value) { WriteControllerValue(*this, FShadow, value); }

void TdxEditStyleController::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TdxEditStyleController*>(source);
  if (!other) {
    TdxStyleController::Assign(source);
    return;
  }
  TdxStyleControllerUpdateScope update(*this);
  SetBorderColor(other->BorderColor());
  SetBorderStyle(other->BorderStyle());
  SetButtonStyle(other->ButtonStyle());
  SetButtonTransparence(other->ButtonTransparence());
  SetEdges(other->Edges());
  SetHotTrack(other->HotTrack());
  SetShadow(other->Shadow());
  update.Finish();
}

void TdxEditStyleController::NotifyLink(TdxEditStyleLink* link) {
  if (link->StyleController() && link->StyleController() != this) return;
  link->StyleChanged();
  DoStyleChanged(link);
}

void TdxEditStyleController::RestoreDefaults() {
  TdxStyleControllerUpdateScope update(*this);
  SetBorderColor(clWindowFrame);
  SetBorderStyle(xbs3D);
  SetButtonStyle(btsDefault);
  SetButtonTransparence(ebtNone);
  SetEdges(dxAllEdges);
  SetHotTrack(false);
  SetShadow(false);
  update.Finish();
}

// --------------------------------------------- TdxCheckEditStyleController

TdxCheckEditStyleController::TdxCheckEditStyleController(TComponent* owner) : TdxEditStyleController(owner) {
  // Not yet linked to anything, so these report to no one.
  SetBorderStyle(xbsNone);
  SetButtonStyle(bts3D);
}

void TdxCheckEditStyleController::RestoreDefaults() {
  TdxStyleControllerUpdateScope update(*this);
  TdxEditStyleController::RestoreDefaults();
  SetBorderStyle(xbsNone);
  SetButtonStyle(bts3D);
  update.Finish();
}

// ----------------------------------------------------- default controller

namespace {

// Made and freed only by TdxDefaultEditStyleControllerScope.
std::unique_ptr<TdxEditStyleController> GDefaultController;
int GDefaultControllerScopes = 0;

}  // namespace

TdxEditStyleController* DefaultEditStyleController() { return GDefaultController.get(); }

TdxDefaultEditStyleControllerScope::TdxDefaultEditStyleControllerScope() {
  if (GDefaultControllerScopes == 0) GDefaultController = std::make_unique<TdxEditStyleController>(nullptr);
  ++GDefaultControllerScopes;
}

TdxDefaultEditStyleControllerScope::~TdxDefaultEditStyleControllerScope() {
  if (--GDefaultControllerScopes == 0) GDefaultController.reset();
}

// ------------------------------------------------------------ TdxEditStyle

TdxEditStyle::TdxEditStyle(TdxEditStyleLink* editor) : FEditor(editor) {
  if (TdxEditStyleController* controller = DefaultEditStyleController(); controller && FEditor)
    controller->AddLink(FEditor);
}

TdxEditStyle::~TdxEditStyle() {
  // The default controller may have gone first (shut-down order); then
  // there is nothing to leave.
  if (TdxEditStyleController* controller = DefaultEditStyleController(); controller && FEditor)
    controller->RemoveLink(FEditor);
}

void TdxEditStyle::SetAssignedValues(TdxEditStyleValues value) {
  if (FAssignedValues == value) return;
  FAssignedValues = value;
  Changed();
}

template <class T>
void TdxEditStyle::WriteValue(TdxEditStyleValue member, T& field, const T& value) {
  if (FAssignedValues.Contains(member) && field == value) return;
  field = value;
  FAssignedValues.Include(member);
  Changed();
}

TColor TdxEditStyle::BorderColor() const {
  return FAssignedValues.Contains(svBorderColor) ? FBorderColor : DefaultBorderColor();
}
void TdxEditStyle::SetBorderColor(TColor value) { WriteValue(svBorderColor, FBorderColor, value); }

TdxEditBorderStyle TdxEditStyle::BorderStyle() const {
  return FAssignedValues.Contains(svBorderStyle) ? FBorderStyle : DefaultBorderStyle();
}
void TdxEditStyle::SetBorderStyle(TdxEditBorderStyle value) {
  WriteValue(svBorderStyle, FBorderStyle, value);
}

TdxEditButtonViewStyle TdxEditStyle::ButtonStyle() const {
  return FAssignedValues.Contains(svButtonStyle) ? FButtonStyle : DefaultButtonStyle();
}
void TdxEditStyle::SetButtonStyle(TdxEditButtonViewStyle value) {
  WriteValue(svButtonStyle, FButtonStyle, value);
}

TdxEditButtonTransparence TdxEditStyle::ButtonTransparence() const {
  return FAssignedValues.Contains(svButtonTransparence) ? FButtonTransparence : DefaultButtonTransparence();
}
void TdxEditStyle::SetButtonTransparence(TdxEditButtonTransparence value) {
  WriteValue(svButtonTransparence, FButtonTransparence, value);
}

TdxEditEdges TdxEditStyle::Edges() const {
  return FAssignedValues.Contains(svEdges) ? FEdges : DefaultEdges();
}
void TdxEditStyle::SetEdges(TdxEditEdges value) { WriteValue(svEdges, FEdges, value); }

bool TdxEditStyle::HotTrack() const {
  return FAssignedValues.Contains(svHotTrack) ? FHotTrack : DefaultHotTrack();
}
void TdxEditStyle::SetHotTrack(bool value) { WriteValue(svHotTrack, FHotTrack, value); }

bool TdxEditStyle::Shadow() const { return FAssignedValues.Contains(svShadow) ? FShadow : DefaultShadow(); }
void TdxEditStyle::SetShadow(bool value) { WriteValue(svShadow, FShadow, value); }

void TdxEditStyle::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TdxEditStyle*>(source);
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

TdxEditStyleController* TdxEditStyle::FallbackController() const {
  if (FEditor)
    if (TdxEditStyleController* own = FEditor->StyleController()) return own;
  return GetDefaultController();
}

TdxEditStyleController* TdxEditStyle::GetDefaultController() const { return DefaultEditStyleController(); }

TColor TdxEditStyle::DefaultBorderColor() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->BorderColor() : clWindowFrame;
}

TdxEditBorderStyle TdxEditStyle::DefaultBorderStyle() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->BorderStyle() : xbs3D;
}

TdxEditButtonViewStyle TdxEditStyle::DefaultButtonStyle() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->ButtonStyle() : btsDefault;
}

TdxEditButtonTransparence TdxEditStyle::DefaultButtonTransparence() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->ButtonTransparence() : ebtNone;
}

TdxEditEdges TdxEditStyle::DefaultEdges() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->Edges() : dxAllEdges;
}

bool TdxEditStyle::DefaultHotTrack() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->HotTrack() : false;
}

bool TdxEditStyle::DefaultShadow() const {
  const TdxEditStyleController* c = FallbackController();
  return c ? c->Shadow() : false;
}
