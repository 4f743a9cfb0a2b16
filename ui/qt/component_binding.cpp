#include "ui/qt/component_binding.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextLayout>

#include "ui/qt/fonts.h"

namespace ui::qt {
namespace {

// One-line edit box: left press, key and mouse move events.
class LineEditBox : public QLineEdit {
 public:
  LineEditBox(ui::EditBox& box, QWidget* parent) : QLineEdit(parent), box_(box) {
    setMouseTracking(true);
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { box_.UserEdit(ToGbk(text)); });
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) box_.UserLeftButtonDown();
    QLineEdit::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    QLineEdit::mouseMoveEvent(event);
    box_.UserMouseMove();
  }
  void keyPressEvent(QKeyEvent* event) override {
    QLineEdit::keyPressEvent(event);
    box_.UserKeyDown(KeyCode(event->key()));
  }

 private:
  ui::EditBox& box_;
};

// Multi-line edit box.
class TextEditBox : public QPlainTextEdit {
 public:
  TextEditBox(ui::EditBox& box, QWidget* parent) : QPlainTextEdit(parent), box_(box) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    connect(this, &QPlainTextEdit::textChanged, this,
            [this] { box_.UserEdit(ToGbk(toPlainText())); });
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) box_.UserLeftButtonDown();
    QPlainTextEdit::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    QPlainTextEdit::mouseMoveEvent(event);
    box_.UserMouseMove();
  }
  void keyPressEvent(QKeyEvent* event) override {
    QPlainTextEdit::keyPressEvent(event);
    box_.UserKeyDown(KeyCode(event->key()));
  }

 private:
  ui::EditBox& box_;
};

// The hyperlink: underlined text that opens its address when clicked.
class LinkLabel : public QLabel {
 public:
  LinkLabel(ui::HyperlinkBox& link, ui::Platform& platform, QWidget* parent)
      : QLabel(parent), link_(link), platform_(platform) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      platform_.OpenUrl(link_.url());
  }

 private:
  ui::HyperlinkBox& link_;
  ui::Platform& platform_;
};

// The progress bar draws its component's caption as it stands (a format
// string would read "%" in it as a placeholder).
class CaptionBar : public QProgressBar {
 public:
  CaptionBar(ui::Component& bar, QWidget* parent) : QProgressBar(parent), bar_(bar) {}
  QString text() const override { return FromGbk(bar_.caption()); }

 private:
  ui::Component& bar_;
};

// A multi-line label sets its lines as close as the layout's original font
// did (a line of text pixels + 1), so the fallback font, whose natural line
// spacing is wider, still fits every line into the label's height.
class MultiLineLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int pixels = font().pixelSize() > 0 ? font().pixelSize() : metrics.height();
    const qreal step = std::min<qreal>(metrics.height(), pixels + 1);
    qreal y = 0;
    for (const QString& paragraph : text().split(QChar('\n'))) {
      QTextLayout layout(paragraph, font());
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width());
        line.setPosition(QPointF(0, y - (metrics.height() - step) / 2));
        y += step;
      }
      layout.endLayout();
      layout.draw(&painter, QPointF(0, 0));
      if (y > height()) break;
    }
  }
};

// Qt's own interface of a combo box names it by its current item on Linux;
// ours is named by its caption, its item is its value, and its action
// opens the list.
constexpr char kCaptionNamedProperty[] = "quorvaneCaptionNamed";

class CaptionNamedComboBox : public QAccessibleWidget {
 public:
  explicit CaptionNamedComboBox(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("activated(int)"));
  }
  QString text(QAccessible::Text t) const override {
    auto* combo = static_cast<QComboBox*>(widget());
    if (t == QAccessible::Name) return combo->accessibleName();
    if (t == QAccessible::Value) return combo->currentText();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction()) {
      static_cast<QComboBox*>(widget())->showPopup();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface* CaptionNamedFactory(const QString& class_name, QObject* object) {
  if (class_name != QStringLiteral("QComboBox") || !object ||
      !object->property(kCaptionNamedProperty).toBool())
    return nullptr;
  return new CaptionNamedComboBox(static_cast<QWidget*>(object));
}

bool IsLine(const ui::Component& c) {
  return c.look().background.has_value() && (c.place().height <= 2 || c.place().width <= 2);
}

void ApplyCaption(ui::Component& c, QWidget* w) {
  const QString text = FromGbk(c.caption());
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    const QSignalBlocker blocker(edit);
    if (edit->text() != text) edit->setText(text);
  } else if (auto* area = qobject_cast<QPlainTextEdit*>(w)) {
    const QSignalBlocker blocker(area);
    if (area->toPlainText() != text) area->setPlainText(text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(IsLine(c) ? QString() : text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
    bar->update();  // CaptionBar draws the caption itself
  } else {
    // A widget without a text of its own (a date box, a grid, a chart) is
    // named by its caption for assistive tools.
    w->setAccessibleName(text);
  }
}

void ApplyLook(ui::Component& c, QWidget* w) {
  const ui::Look& look = c.look();
  QFont font = LayoutFont(look.font, DefaultFont());
  if (c.kind() == ui::Kind::kHyperlinkBox) font.setUnderline(true);
  w->setFont(font);

  QPalette palette = w->palette();
  if (look.text_colour) {
    const QColor colour = ToQColor(*look.text_colour);
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
  }
  if (look.background) {
    palette.setColor(QPalette::Window, ToQColor(*look.background));
    w->setAutoFillBackground(c.kind() != ui::Kind::kTransparentLabel);
  }
  w->setPalette(palette);

  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setWordWrap(look.multi_line);
    label->setAlignment(look.multi_line ? Qt::AlignLeft | Qt::AlignTop
                                        : Qt::AlignLeft | Qt::AlignVCenter);
  }
}

void ApplyChecked(ui::Component& c, QWidget* w) {
  auto* button = qobject_cast<QAbstractButton*>(w);
  auto* check = dynamic_cast<ui::CheckControl*>(&c);
  if (!button || !check) return;
  const QSignalBlocker blocker(button);
  button->setChecked(check->checked());
}

void ApplyDateTime(ui::Component& c, QWidget* w) {
  auto* edit = qobject_cast<QDateTimeEdit*>(w);
  auto* box = dynamic_cast<ui::DateBox*>(&c);
  if (!edit || !box) return;
  const QSignalBlocker blocker(edit);
  edit->setDateTime(ToQDateTime(box->value()));
}

void ApplySelection(ui::Component& c, QWidget* w) {
  auto* combo = qobject_cast<QComboBox*>(w);
  auto* pick = dynamic_cast<ui::ComboBox*>(&c);
  if (!combo || !pick) return;
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(pick->selected());
  // Picking nothing empties an editable box's text in Qt; the model keeps it.
  if (pick->editable() && combo->currentText() != FromGbk(pick->text()))
    combo->setEditText(FromGbk(pick->text()));
}

void ApplyItems(ui::Component& c, QWidget* w) {
  auto* combo = qobject_cast<QComboBox*>(w);
  auto* pick = dynamic_cast<ui::ComboBox*>(&c);
  if (!combo || !pick) return;
  const QSignalBlocker blocker(combo);
  QStringList items;
  items.reserve(static_cast<qsizetype>(pick->items().size()));
  for (const std::string& item : pick->items()) items.push_back(FromGbk(item));
  combo->clear();
  combo->addItems(items);
  combo->setCurrentIndex(pick->selected());
  if (pick->editable()) combo->setEditText(FromGbk(pick->text()));
}

void ApplyEditText(ui::Component& c, QWidget* w) {
  auto* combo = qobject_cast<QComboBox*>(w);
  auto* pick = dynamic_cast<ui::ComboBox*>(&c);
  if (!combo || !pick || !pick->editable()) return;
  const QString text = FromGbk(pick->text());
  const QSignalBlocker blocker(combo);
  if (combo->currentText() != text) combo->setEditText(text);
}

void ApplyProgress(ui::Component& c, QWidget* w) {
  auto* bar = qobject_cast<QProgressBar*>(w);
  auto* progress = dynamic_cast<ui::ProgressBar*>(&c);
  if (!bar || !progress) return;
  // A maximum of 0 would make the bar a busy indicator: show it empty.
  const int maximum = std::max(progress->maximum(), 1);
  bar->setRange(0, maximum);
  bar->setValue(std::clamp(progress->value(), 0, maximum));
}

}  // namespace

int KeyCode(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Space:
      return 32;
    default:
      break;
  }
  if ((qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) || (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z))
    return qt_key;
  return 0;
}

void ApplyProperty(ui::Component& c, QWidget* w, ui::Property property) {
  switch (property) {
    case ui::Property::kCaption:
      ApplyCaption(c, w);
      break;
    case ui::Property::kVisible:
      w->setVisible(c.visible());
      break;
    case ui::Property::kEnabled:
      w->setEnabled(c.enabled());
      break;
    case ui::Property::kChecked:
      ApplyChecked(c, w);
      break;
    case ui::Property::kDateTime:
      ApplyDateTime(c, w);
      break;
    case ui::Property::kPlace: {
      const ui::Rect& r = c.place();
      w->setGeometry(r.left, r.top, r.width, r.height);
      break;
    }
    case ui::Property::kLook:
      ApplyLook(c, w);
      break;
    case ui::Property::kProgress:
      ApplyProgress(c, w);
      break;
    case ui::Property::kSelection:
      ApplySelection(c, w);
      break;
    case ui::Property::kItems:
      ApplyItems(c, w);
      break;
    case ui::Property::kText:
      ApplyEditText(c, w);
      break;
    case ui::Property::kCurrentPage:
    case ui::Property::kPageEnabled:
    case ui::Property::kChartData:
      break;  // the tab control and chart views follow these themselves
  }
}

void ApplyAll(ui::Component& c, QWidget* w) {
  for (ui::Property p : {ui::Property::kPlace, ui::Property::kLook, ui::Property::kCaption,
                         ui::Property::kChecked, ui::Property::kDateTime, ui::Property::kProgress,
                         ui::Property::kSelection, ui::Property::kText, ui::Property::kEnabled,
                         ui::Property::kVisible})
    ApplyProperty(c, w, p);
}

void FollowComponent(ui::Component& component, QWidget* widget) {
  QPointer<QWidget> guard(widget);
  // The model notifies on the user-interface thread only: it checks that
  // itself, so the widget is updated at once.
  component.AddListener([guard](ui::Component& c, ui::Property property) {
    if (guard) ApplyProperty(c, guard.data(), property);
  });
}

QWidget* CreateComponentWidget(ui::Component& c, QWidget* parent, ui::Platform& platform) {
  QWidget* w = nullptr;
  switch (c.kind()) {
    case ui::Kind::kLabel:
    case ui::Kind::kTransparentLabel: {
      auto* label = c.look().multi_line ? new MultiLineLabel(parent) : new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      if (c.kind() == ui::Kind::kTransparentLabel)
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
      w = label;
      break;
    }
    case ui::Kind::kEditBox: {
      auto& box = static_cast<ui::EditBox&>(c);
      if (c.look().multi_line) {
        w = new TextEditBox(box, parent);
      } else {
        w = new LineEditBox(box, parent);
      }
      break;
    }
    case ui::Kind::kRadioButton:
    case ui::Kind::kCheckBox: {
      auto& check = static_cast<ui::CheckControl&>(c);
      QAbstractButton* button = c.kind() == ui::Kind::kCheckBox
                                    ? static_cast<QAbstractButton*>(new QCheckBox(parent))
                                    : new QRadioButton(parent);
      // The model keeps the groups; it may also uncheck every radio button
      // of a group, which Qt's own exclusive groups would refuse.
      button->setAutoExclusive(false);
      QObject::connect(button, &QAbstractButton::clicked, button, [&check, button] {
        check.UserClick();
        ApplyChecked(check, button);
      });
      w = button;
      break;
    }
    case ui::Kind::kGroupBox:
      w = new QGroupBox(parent);
      break;
    case ui::Kind::kFrameBox: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
      w = frame;
      break;
    }
    case ui::Kind::kDateBox: {
      auto& box = static_cast<ui::DateBox&>(c);
      auto* edit = new QDateTimeEdit(parent);
      edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
      edit->setCalendarPopup(true);
      QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit,
                       [&box](const QDateTime& value) { box.UserSetValue(FromQDateTime(value)); });
      w = edit;
      break;
    }
    case ui::Kind::kSuperButton: {
      auto& button_model = static_cast<ui::SuperButton&>(c);
      auto* button = new QPushButton(parent);
      button->setFocusPolicy(Qt::TabFocus);
      QObject::connect(button, &QPushButton::clicked, button,
                       [&button_model] { button_model.UserClick(); });
      w = button;
      break;
    }
    case ui::Kind::kHyperlinkBox:
      w = new LinkLabel(static_cast<ui::HyperlinkBox&>(c), platform, parent);
      static_cast<QLabel*>(w)->setTextFormat(Qt::PlainText);
      break;
    case ui::Kind::kProgressBar: {
      auto* bar = new CaptionBar(c, parent);
      bar->setTextVisible(true);
      bar->setAlignment(Qt::AlignCenter);
      w = bar;
      break;
    }
    case ui::Kind::kComboBox: {
      auto& pick = static_cast<ui::ComboBox&>(c);
      static const bool factory = [] {
        QAccessible::installFactory(CaptionNamedFactory);
        return true;
      }();
      (void)factory;
      auto* combo = new QComboBox(parent);
      combo->setProperty(kCaptionNamedProperty, true);
      for (const std::string& item : pick.items()) combo->addItem(FromGbk(item));
      if (pick.editable()) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);  // a typed text is no new item
        // Completion offers every item that holds the typed text anywhere.
        QCompleter* completer = combo->completer();
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setFilterMode(Qt::MatchContains);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        QObject::connect(combo, &QComboBox::editTextChanged, combo,
                         [&pick](const QString& text) { pick.UserEditText(ToGbk(text)); });
      }
      // Only the user's picks raise the event; the model's own changes are
      // applied with the signals blocked.
      QObject::connect(combo, &QComboBox::activated, combo,
                       [&pick](int index) { pick.UserSelect(index); });
      w = combo;
      break;
    }
    case ui::Kind::kWindow:
    case ui::Kind::kTabControl:
    case ui::Kind::kGrid:
    case ui::Kind::kBalloonTip:
    case ui::Kind::kChart:
      return nullptr;
  }
  w->setObjectName(QString::fromStdString(c.name()));
  ApplyAll(c, w);
  FollowComponent(c, w);
  return w;
}

}  // namespace ui::qt
