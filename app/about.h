// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace twinly {

// The program's name and version.
class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};

} // namespace twinly
