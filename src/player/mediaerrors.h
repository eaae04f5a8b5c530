#pragma once

#include <QString>

namespace zorvik::player {

// The media framework's error text as the operator reads it: what went
// wrong with `fileName` in Chinese, the framework's own words after it in
// parentheses for whoever looks after the machine.
QString mediaErrorText(const QString& original, const QString& fileName);

}  // namespace zorvik::player
