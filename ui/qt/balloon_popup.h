// The balloon: a frameless pop-up that renders a small HTML text with a
// style sheet at a screen point and hides itself after a while. A new
// pop-up replaces the text and the place of the one showing.
#pragma once

#include <QTextDocument>
#include <QTimer>
#include <QWidget>
#include <string_view>

namespace ui::qt {

// The balloon's HTML as the document reads it: the program's lines end in
// CR LF, which HTML would fold into blanks, so each becomes a line break;
// the one right after a heading is dropped (the heading ends its line). A
// text without a body is put in one, so the style sheet's body rule holds.
QString BalloonHtml(std::string_view gbk_html);

class BalloonPopup : public QWidget {
  Q_OBJECT

 public:
  BalloonPopup();

  void Pop(const QPoint& screen, std::string_view gbk_html, std::string_view gbk_style,
           int duration_ms);
  const QTextDocument& document() const { return document_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTextDocument document_;
  QTimer hide_timer_;
};

}  // namespace ui::qt
