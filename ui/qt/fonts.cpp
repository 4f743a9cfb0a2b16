#include "ui/qt/fonts.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QStringList>

#include "text/gbk.h"

namespace ui::qt {
namespace {

constexpr const char* kCjkFallback = "WenQuanYi Zen Hei";

QStringList StandIns(const std::string& family) {
  if (family == "楷体_GB2312")
    return {"楷体_GB2312", "KaiTi_GB2312", "KaiTi", "楷体", "AR PL UKai CN", "AR PL KaitiM GB"};
  if (family == "宋体") return {"宋体", "SimSun", "NSimSun", "AR PL UMing CN", "Noto Serif CJK SC"};
  return {QString::fromStdString(family)};
}

}  // namespace

QString ResolveFamily(const std::string& layout_family) {
  const QStringList installed = QFontDatabase::families();
  for (const QString& name : StandIns(layout_family))
    if (installed.contains(name, Qt::CaseInsensitive)) return name;
  if (installed.contains(kCjkFallback, Qt::CaseInsensitive)) return kCjkFallback;
  return {};
}

QFont LayoutFont(const ui::Font& font, const QFont& base) {
  QFont f = base;
  if (!font.family.empty()) {
    const QString family = ResolveFamily(font.family);
    if (!family.isEmpty()) f.setFamily(family);
  }
  if (font.pixel_size > 0) f.setPixelSize(font.pixel_size);
  f.setBold(font.bold);
  return f;
}

QFont DefaultFont() {
  QFont f;
  const QString family = ResolveFamily("宋体");
  if (!family.isEmpty()) f.setFamily(family);
  f.setPixelSize(12);
  return f;
}

QString FromGbk(std::string_view gbk) {
  std::string scratch;
  const std::string_view utf8 = text::Utf8View(gbk, scratch);
  QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

std::filesystem::path PathFromQt(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

std::string ToGbk(const QString& text) {
  QString s = text;
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return text::Gbk(s.toStdString());
}

QDateTime ToQDateTime(const ui::DateTime& v) {
  return QDateTime(QDate(v.Year(), v.Month(), v.Day()),
                   QTime(v.Hour(), v.Minute(), v.Second(), v.Millisecond()));
}

ui::DateTime FromQDateTime(const QDateTime& v) {
  const QDate d = v.date();
  const QTime t = v.time();
  return ui::DateTime::FromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(),
                                 t.msec());
}

}  // namespace ui::qt
