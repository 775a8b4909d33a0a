// SPDX-License-Identifier: GPL-3.0-or-later
// Message texts by key. Until language files are read, every key gives its built-in English
// text; callers always go through here so that translations reach every message box.
#pragma once

#include <QString>

namespace twinly {

class TMultiLang {
public:
    QString GetString(const QString &key, const QString &builtIn) const;
    QString CurrentLang;
};

} // namespace twinly
