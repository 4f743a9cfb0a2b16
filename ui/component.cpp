#include "ui/component.h"

#include <cstdio>
#include <cstdlib>

namespace ui {

bool ThreadChecksOn() {
#ifdef QUORVANE_CHECK_THREADS
  return true;
#else
  return false;
#endif
}

void Component::CheckOwnerThread() const {
#ifdef QUORVANE_CHECK_THREADS
  if (std::this_thread::get_id() == owner_) return;
  // A worker that writes the window model races the user-interface thread
  // that reads it; it must post the change instead.
  std::fprintf(stderr, "window model: %s written off the user-interface thread\n", name_.c_str());
  std::fflush(stderr);
  std::abort();
#endif
}

Component::Component(Kind kind, std::string name, Component* container, int page, Rect place,
                     std::string caption, Look look)
    : kind_(kind),
      name_(std::move(name)),
      container_(container),
      page_(page),
      place_(place),
      caption_(std::move(caption)),
      look_(std::move(look)) {}

void Component::Notify(Property property) {
  CheckOwnerThread();
  for (auto& listener : listeners_) listener(*this, property);
}

void Component::SetTag(std::string_view gbk) {
  CheckOwnerThread();
  tag_.assign(gbk);
}

void Component::AddListener(Listener listener) {
  CheckOwnerThread();
  listeners_.push_back(std::move(listener));
}

void Component::SetPlace(const Rect& place) {
  CheckOwnerThread();
  if (place == place_) return;
  place_ = place;
  Notify(Property::kPlace);
}

void Component::SetCaption(std::string_view gbk) {
  CheckOwnerThread();
  if (gbk == caption_) return;
  caption_.assign(gbk);
  Notify(Property::kCaption);
}

void Component::SetVisible(bool visible) {
  CheckOwnerThread();
  if (visible == visible_) return;
  visible_ = visible;
  Notify(Property::kVisible);
}

void Component::SetEnabled(bool enabled) {
  CheckOwnerThread();
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Property::kEnabled);
}

void Component::SetLook(const Look& look) {
  CheckOwnerThread();
  if (look == look_) return;
  look_ = look;
  Notify(Property::kLook);
}

void CheckControl::SetChecked(bool checked) {
  CheckOwnerThread();
  if (checked == checked_) return;
  checked_ = checked;
  Notify(Property::kChecked);
  if (checked && kind() == Kind::kRadioButton) {
    for (CheckControl* other : group)
      if (other != this) other->SetChecked(false);
  }
}

void CheckControl::UserClick() {
  if (!enabled()) return;
  if (kind() == Kind::kCheckBox) {
    SetChecked(!checked_);
  } else {
    SetChecked(true);
  }
  if (on_clicked) on_clicked();
}

void DateBox::SetValue(const DateTime& value) {
  CheckOwnerThread();
  if (value == value_) return;
  value_ = value;
  Notify(Property::kDateTime);
}

void DateBox::UserSetValue(const DateTime& value) {
  const bool changed = value != value_;
  SetValue(value);
  if (changed && on_date_changed) on_date_changed();
}

const std::string& ComboBox::SelectedText() const {
  static const std::string kNothing;
  return selected_ >= 0 && selected_ < static_cast<int>(items_.size())
             ? items_[static_cast<size_t>(selected_)]
             : kNothing;
}

void ComboBox::SetItems(std::vector<std::string> items) {
  CheckOwnerThread();
  if (items == items_) return;
  items_ = std::move(items);
  selected_ = -1;
  Notify(Property::kItems);
}

void ComboBox::SetSelected(int index) {
  CheckOwnerThread();
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  if (editable_ && index >= 0) SetText(items_[static_cast<size_t>(index)]);
  if (index == selected_) return;
  selected_ = index;
  Notify(Property::kSelection);
}

void ComboBox::SetText(std::string_view gbk) {
  CheckOwnerThread();
  if (!editable_ || gbk == text_) return;
  text_ = gbk;
  Notify(Property::kText);
}

void ComboBox::UserSelect(int index) {
  const int before = selected_;
  SetSelected(index);
  if (selected_ != before && on_selection_changed) on_selection_changed();
}

void ProgressBar::SetProgress(int value, int maximum) {
  CheckOwnerThread();
  if (value == value_ && maximum == maximum_) return;
  value_ = value;
  maximum_ = maximum;
  Notify(Property::kProgress);
}

void Chart::SetData(ChartData data) {
  if (data == data_) return;
  data_ = std::move(data);
  Notify(Property::kChartData);
}

void TabControl::SetCurrentPage(int index) {
  CheckOwnerThread();
  if (index < 0 || index >= page_count() || index == current_) return;
  if (!pages_[static_cast<size_t>(index)].enabled) return;
  current_ = index;
  Notify(Property::kCurrentPage);
  if (on_page_changed) on_page_changed();
}

bool TabControl::page_enabled(int index) const {
  return index >= 0 && index < page_count() && pages_[static_cast<size_t>(index)].enabled;
}

void TabControl::SetPageEnabled(int index, bool enabled) {
  CheckOwnerThread();
  if (index < 0 || index >= page_count()) return;
  auto& page = pages_[static_cast<size_t>(index)];
  if (page.enabled == enabled) return;
  page.enabled = enabled;
  Notify(Property::kPageEnabled);
}

}  // namespace ui
