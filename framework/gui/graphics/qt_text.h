#pragma once
// Private to framework/gui: text at the Qt boundary. Our strings are
// Windows-1251; Qt's are UTF-16.

#include <QString>
#include <string>
#include <string_view>

QString ToQString(std::string_view ansi);
std::string FromQString(const QString& text);
