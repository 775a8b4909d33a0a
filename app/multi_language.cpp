// SPDX-License-Identifier: GPL-3.0-or-later
#include "multi_language.h"

namespace twinly {

QString TMultiLang::GetString(const QString &key, const QString &builtIn) const
{
    Q_UNUSED(key);
    return builtIn;
}

} // namespace twinly
