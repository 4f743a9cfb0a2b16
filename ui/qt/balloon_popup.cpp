#include "ui/qt/balloon_popup.h"

#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>

#include "text/gbk.h"

namespace ui::qt {
namespace {
constexpr int kMargin = 6;
const QColor kFill(255, 255, 225);
const QColor kBorder(118, 118, 118);
// Headings carry a size step of their own that outweighs a font size the
// style sheet gives them; the style sheet's size is the one meant.
void LetStyledSizesStand(QTextDocument& document) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.hasProperty(QTextFormat::FontPointSize) ||
          !format.hasProperty(QTextFormat::FontSizeAdjustment))
        continue;
      QTextCursor cursor(&document);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      QTextCharFormat fixed = format;
      fixed.clearProperty(QTextFormat::FontSizeAdjustment);
      cursor.setCharFormat(fixed);
    }
  }
}

}  // namespace

QString BalloonHtml(std::string_view gbk_html) {
  QString html = QString::fromStdString(text::Utf8(gbk_html));
  static const QRegularExpression after_block(QStringLiteral("(</h[1-6]>)\r\n"),
                                              QRegularExpression::CaseInsensitiveOption);
  html.replace(after_block, QStringLiteral("\\1"));
  html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
  // The style sheet styles `body`, which the document only applies to an
  // explicit one.
  if (!html.contains(QStringLiteral("<body"), Qt::CaseInsensitive))
    html = QStringLiteral("<html><body>") + html + QStringLiteral("</body></html>");
  return html;
}

BalloonPopup::BalloonPopup() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("气球提示框_席位组"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  document_.setDocumentMargin(0);
  hide_timer_.setSingleShot(true);
  connect(&hide_timer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonPopup::Pop(const QPoint& screen, std::string_view gbk_html, std::string_view gbk_style,
                       int duration_ms) {
  document_.setDefaultFont(font());
  document_.setDefaultStyleSheet(QString::fromStdString(text::Utf8(gbk_style)));
  document_.setHtml(BalloonHtml(gbk_html));
  LetStyledSizesStand(document_);
  document_.setTextWidth(-1);
  document_.adjustSize();
  const QSizeF size = document_.size();
  resize(static_cast<int>(size.width()) + 2 * kMargin,
         static_cast<int>(size.height()) + 2 * kMargin);
  move(screen);
  show();
  raise();
  update();
  hide_timer_.start(std::max(duration_ms, 0));
}

void BalloonPopup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kFill);
  painter.setPen(kBorder);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.translate(kMargin, kMargin);
  document_.drawContents(&painter);
}

}  // namespace ui::qt
