// The components of the main window: plain objects with the properties the
// program uses and a change notification the toolkit side listens to.
//
// Captions and contents are GBK text; component names are UTF-8, as the
// layout spells them. Setters notify only when a value really changes.
// Programmatic changes never raise the component's events; the toolkit side
// calls the User* methods, which change the state and then raise the event.
//
// The thread that builds a component owns it: only that thread (the
// user-interface thread, for the window) may write it; workers post their
// changes there. Builds with QUORVANE_CHECK_THREADS (Debug and the
// sanitizer presets) stop the program at a write from another thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/date_time.h"
#include "ui/geometry.h"

namespace ui {

enum class Kind {
  kWindow,
  kLabel,
  kTransparentLabel,
  kEditBox,
  kRadioButton,
  kCheckBox,
  kGroupBox,
  kFrameBox,
  kDateBox,
  kTabControl,
  kGrid,
  kSuperButton,
  kBalloonTip,
  kHyperlinkBox,
  kProgressBar,
  kChart,
  kComboBox,
};

enum class Property {
  kCaption,
  kVisible,
  kEnabled,
  kChecked,
  kDateTime,
  kPlace,
  kLook,
  kCurrentPage,
  kPageEnabled,
  kProgress,
  kChartData,
  kSelection,
  kItems,  // the items of a pick list
  kText,   // the typed text of an editable pick list
};

struct Font {
  std::string family;  // UTF-8; empty = the toolkit's default
  int pixel_size = 0;  // 0 = default
  bool bold = false;
  bool operator==(const Font&) const = default;
};

// True when this build stops at a write off the owner thread.
bool ThreadChecksOn();

struct Look {
  Font font;
  std::optional<Colour> text_colour;
  std::optional<Colour> background;  // a label of 1 or 2 pixels is a line in this colour
  bool multi_line = false;
  bool operator==(const Look&) const = default;
};

class Component {
 public:
  using Listener = std::function<void(Component&, Property)>;

  Component(Kind kind, std::string name, Component* container, int page, Rect place,
            std::string caption = {}, Look look = {});
  virtual ~Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Kind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  // The window, the tab control (with page() >= 0), a frame box or a group box.
  Component* container() const { return container_; }
  int page() const { return page_; }

  const Rect& place() const { return place_; }
  void SetPlace(const Rect& place);
  void SetLeft(int left) { SetPlace(Rect{left, place_.top, place_.width, place_.height}); }

  const std::string& caption() const { return caption_; }
  void SetCaption(std::string_view gbk);

  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  const std::string& tag() const { return tag_; }
  void SetTag(std::string_view gbk);

  const Look& look() const { return look_; }
  void SetLook(const Look& look);

  void AddListener(Listener listener);

  // Every write calls this first: off the thread that built the component
  // it prints the component's name and aborts (in builds that check; a
  // no-op otherwise).
  void CheckOwnerThread() const;

 protected:
  void Notify(Property property);

 private:
  Kind kind_;
  std::string name_;
  Component* container_;
  int page_;
  Rect place_;
  std::string caption_;
  Look look_;
  std::string tag_;
  bool visible_ = true;
  bool enabled_ = true;
  std::vector<Listener> listeners_;
  std::thread::id owner_ = std::this_thread::get_id();
};

class Label : public Component {
 public:
  Label(std::string name, Component* container, int page, Rect place, std::string caption = {},
        Look look = {}, bool transparent = false)
      : Component(transparent ? Kind::kTransparentLabel : Kind::kLabel, std::move(name), container,
                  page, place, std::move(caption), std::move(look)) {}
};

class GroupBox : public Component {
 public:
  GroupBox(std::string name, Component* container, int page, Rect place, std::string caption)
      : Component(Kind::kGroupBox, std::move(name), container, page, place, std::move(caption)) {}
};

class FrameBox : public Component {
 public:
  FrameBox(std::string name, Component* container, int page, Rect place)
      : Component(Kind::kFrameBox, std::move(name), container, page, place) {}
};

// Text input; its content is the caption.
class EditBox : public Component {
 public:
  EditBox(std::string name, Component* container, int page, Rect place, Look look = {})
      : Component(Kind::kEditBox, std::move(name), container, page, place, {}, std::move(look)) {}

  // The user typed: the content changes, no event.
  void UserEdit(std::string_view gbk) { SetCaption(gbk); }
  void UserLeftButtonDown() { Raise(on_left_button_down); }
  void UserKeyDown(int key_code) {
    if (on_key_down) on_key_down(key_code);
  }
  void UserMouseMove() { Raise(on_mouse_move); }

  std::function<void()> on_left_button_down;
  std::function<void(int)> on_key_down;
  std::function<void()> on_mouse_move;

 private:
  static void Raise(const std::function<void()>& f) {
    if (f) f();
  }
};

// A checkbox or a radio button. The radio buttons of one container form one
// group: checking one unchecks the others.
class CheckControl : public Component {
 public:
  CheckControl(Kind kind, std::string name, Component* container, int page, Rect place,
               std::string caption, bool checked)
      : Component(kind, std::move(name), container, page, place, std::move(caption)),
        checked_(checked) {}

  bool checked() const { return checked_; }
  void SetChecked(bool checked);

  // A click: a checkbox toggles, a radio button becomes checked; then the
  // click event.
  void UserClick();
  std::function<void()> on_clicked;

  // Filled by the window: the radio buttons of the same group.
  std::vector<CheckControl*> group;

 private:
  bool checked_;
};

class RadioButton : public CheckControl {
 public:
  RadioButton(std::string name, Component* container, int page, Rect place, std::string caption,
              bool checked)
      : CheckControl(Kind::kRadioButton, std::move(name), container, page, place,
                     std::move(caption), checked) {}
};

class CheckBox : public CheckControl {
 public:
  CheckBox(std::string name, Component* container, int page, Rect place, std::string caption,
           bool checked)
      : CheckControl(Kind::kCheckBox, std::move(name), container, page, place, std::move(caption),
                     checked) {}
};

class DateBox : public Component {
 public:
  DateBox(std::string name, Component* container, int page, Rect place)
      : Component(Kind::kDateBox, std::move(name), container, page, place) {}

  const DateTime& value() const { return value_; }
  void SetValue(const DateTime& value);
  // The user picked a value: set it, then the date-changed event.
  void UserSetValue(const DateTime& value);
  std::function<void()> on_date_changed;

 private:
  DateTime value_;
};

class SuperButton : public Component {
 public:
  SuperButton(std::string name, Component* container, int page, Rect place, std::string caption)
      : Component(Kind::kSuperButton, std::move(name), container, page, place, std::move(caption)) {
  }
  // A click on an enabled button raises the click event.
  void UserClick() {
    if (enabled() && on_clicked) on_clicked();
  }
  std::function<void()> on_clicked;
};

class HyperlinkBox : public Component {
 public:
  HyperlinkBox(std::string name, Component* container, int page, Rect place, std::string caption,
               Look look, std::string url)
      : Component(Kind::kHyperlinkBox, std::move(name), container, page, place, std::move(caption),
                  std::move(look)),
        url_(std::move(url)) {}
  const std::string& url() const { return url_; }

 private:
  std::string url_;
};

// A pop-up box that shows a small HTML text at a point; not placed on the
// window. The style text styles every text it shows.
class BalloonTip : public Component {
 public:
  BalloonTip(std::string name, Component* container, int page, std::string style)
      : Component(Kind::kBalloonTip, std::move(name), container, page, Rect{}),
        style_(std::move(style)) {
    SetVisible(false);
  }
  const std::string& style() const { return style_; }

 private:
  std::string style_;
};

// A bar that shows how much of a task is done; its caption (GBK) is the text
// drawn on it. Not part of the original layout: it sits where no layout
// component is.
class ProgressBar : public Component {
 public:
  ProgressBar(std::string name, Component* container, int page, Rect place)
      : Component(Kind::kProgressBar, std::move(name), container, page, place) {}
  int value() const { return value_; }
  int maximum() const { return maximum_; }
  void SetProgress(int value, int maximum);

 private:
  int value_ = 0;
  int maximum_ = 0;
};

// What a chart shows: one bar and one line point per category, the bars on
// the left value axis (in the rise colour above zero, the fall colour below
// it), the line on a right axis of its own. Texts are GBK.
struct ChartData {
  std::string title;
  std::vector<std::string> categories;  // along the bottom axis, in order
  std::vector<double> bars;
  std::vector<double> line;
  std::string bar_name;   // the legend's names
  std::string line_name;
  Colour rise{255, 0, 0};
  Colour fall{0, 128, 0};
  Colour line_colour{0, 0, 255};
  // A second view: with a baseline, no bars; the line and the baseline
  // (drawn in its own colour) share the left axis.
  std::vector<double> baseline;
  std::string baseline_name;
  Colour baseline_colour{160, 160, 160};
  bool operator==(const ChartData&) const = default;
};

// Not part of the original layout: a bar and line chart on a page added
// after the layout's four. The caption names it.
class Chart : public Component {
 public:
  Chart(std::string name, Component* container, int page, Rect place, std::string caption)
      : Component(Kind::kChart, std::move(name), container, page, place, std::move(caption)) {}
  const ChartData& data() const { return data_; }
  void SetData(ChartData data);

 private:
  ChartData data_;
};

// A pick list: one of a fixed list of items (GBK). Not part of the
// original layout; its caption names it for assistive tools.
class ComboBox : public Component {
 public:
  ComboBox(std::string name, Component* container, int page, Rect place, std::string caption,
           std::vector<std::string> items, int selected = 0)
      : Component(Kind::kComboBox, std::move(name), container, page, place, std::move(caption)),
        items_(std::move(items)),
        selected_(selected) {}
  // An editable pick list: its value is a text the user types, or an item
  // picked from the list (completed as they type); it starts empty, and its
  // items may change while the program runs.
  struct Editable {};
  ComboBox(std::string name, Component* container, int page, Rect place, std::string caption,
           Editable)
      : Component(Kind::kComboBox, std::move(name), container, page, place, std::move(caption)),
        selected_(-1),
        editable_(true) {}

  const std::vector<std::string>& items() const { return items_; }
  // Replaces the items; the selection is dropped, an editable list's text stays.
  void SetItems(std::vector<std::string> items);
  // -1 when nothing is picked.
  int selected() const { return selected_; }
  const std::string& SelectedText() const;
  // Out of range picks nothing. On an editable list an item picked becomes
  // the text.
  void SetSelected(int index);
  // The user picked an item: set it, then the selection-changed event.
  void UserSelect(int index);
  std::function<void()> on_selection_changed;

  bool editable() const { return editable_; }
  // An editable list's text (GBK); empty for the others.
  const std::string& text() const { return text_; }
  void SetText(std::string_view gbk);
  // The user typed (or completed) a text: no event, as in an edit box.
  void UserEditText(std::string_view gbk) { SetText(gbk); }

 private:
  std::vector<std::string> items_;
  int selected_;
  bool editable_ = false;
  std::string text_;
};

struct TabPage {
  std::string head;  // GBK
  std::string tip;   // GBK
  bool enabled = true;
  // A page the program adds after the layout's own: its head stands on a
  // strip of its own at the right end of the head row, so the caption
  // beside the layout's heads stays where it is.
  bool beyond_layout = false;
};

class TabControl : public Component {
 public:
  TabControl(std::string name, Component* container, Rect place, std::vector<TabPage> pages,
             Look look = {})
      : Component(Kind::kTabControl, std::move(name), container, -1, place, {}, std::move(look)),
        pages_(std::move(pages)) {}

  int page_count() const { return static_cast<int>(pages_.size()); }
  const TabPage& page_info(int index) const { return pages_.at(static_cast<size_t>(index)); }

  int current_page() const { return current_; }
  // Makes another page current and raises the page-changed event, as a
  // click on its head does. A page that is unavailable is not made current.
  void SetCurrentPage(int index);
  void UserSelectPage(int index) { SetCurrentPage(index); }

  bool page_enabled(int index) const;
  void SetPageEnabled(int index, bool enabled);

  std::function<void()> on_page_changed;

 private:
  std::vector<TabPage> pages_;
  int current_ = 0;
};

}  // namespace ui
