// Fonts and colours of the layout on this system: the Windows font names of
// the layout fall back to an installed font that has the Chinese glyphs.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <filesystem>

#include "ui/component.h"
#include "ui/date_time.h"

class QDateTime;

namespace ui::qt {

// The first installed family among the layout's name and its usual stand-ins,
// else the CJK fallback (WenQuanYi Zen Hei), else the empty text (the
// toolkit's default).
QString ResolveFamily(const std::string& layout_family);

// base with the layout font's family, pixel size and weight applied where
// the layout gives them.
QFont LayoutFont(const ui::Font& font, const QFont& base);

// The window's default: 宋体 (or its stand-in), 12 pixels.
QFont DefaultFont();

inline QColor ToQColor(const ui::Colour& c) {
  return QColor(c.red, c.green, c.blue);
}

// GBK text of the program to the widgets and back; CR LF line ends become
// the toolkit's "\n" and come back as CR LF.
QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

// A file name Qt gives, as a path built from its UTF-16 form: never through
// the system's narrow code page, which may lack the characters of a name.
std::filesystem::path PathFromQt(const QString& path);

QDateTime ToQDateTime(const ui::DateTime& value);
ui::DateTime FromQDateTime(const QDateTime& value);

}  // namespace ui::qt
