// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_panels.h"

#include "progress.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace twinly {

namespace {

constexpr Phase kPhases[] = {Phase::CreatingPathList, Phase::ComparingFiles,
                             Phase::CalculatingImageProperties, Phase::CalculatingCrc,
                             Phase::RemovingDifferentFiles};

// The room a label needs to show `text` whole in its own font.
int widthFor(const QLabel *label, const QString &text)
{
    const QMargins m = label->contentsMargins();
    return label->fontMetrics().horizontalAdvance(text) + m.left() + m.right() +
           2 * label->margin() + 2 * label->frameWidth() + 8;
}

} // namespace

QString SizeText(std::uint64_t bytes)
{
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1,
                                       QLocale::DataSizeTraditionalFormat);
}

StatusPanels::StatusPanels(QStatusBar *bar)
    : QObject(bar), m_panel0(new QLabel), Gauge1(new QProgressBar), m_panel1(new QWidget),
      m_counts(new QLabel), m_panel2(new QLabel)
{
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    m_panel0->setObjectName(QStringLiteral("StatusPanel0"));
    fitActivityPanel();
    // Fonts change with the desktop's settings and the scale: the panel follows.
    m_panel0->installEventFilter(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 100);
    Gauge1->setFixedSize(95, 15);
    // A navy bar on the button face, without the style's frame.
    Gauge1->setTextVisible(false);
    Gauge1->setStyleSheet(
        QStringLiteral("QProgressBar { border: none; background: palette(button); }"
                       "QProgressBar::chunk { background: navy; }"));
    Gauge1->hide();
    m_panel1->setFixedWidth(100);
    auto *h = new QHBoxLayout(m_panel1);
    h->setContentsMargins(2, 0, 2, 0);
    h->addWidget(Gauge1);
    m_counts->setObjectName(QStringLiteral("StatusCounts"));
    m_panel2->setObjectName(QStringLiteral("StatusPanel2"));
    m_panel2->setMinimumWidth(50);
    bar->addWidget(m_panel0);
    bar->addWidget(m_panel1);
    bar->addWidget(m_counts);
    bar->addWidget(m_panel2, 1);
    collapseWhenIdle();
}

void StatusPanels::collapseWhenIdle()
{
    const bool busy = !m_panel0->text().isEmpty() || !Gauge1->isHidden();
    m_panel0->setVisible(busy);
    m_panel1->setVisible(busy);
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel0 &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
         event->type() == QEvent::Polish))
        fitActivityPanel();
    return QObject::eventFilter(watched, event);
}

// As wide as the longest phase text, at least the 175 pixels the panel always had; a longer
// text shown later (another command's, a translation) widens it.
void StatusPanels::fitActivityPanel()
{
    int width = 175;
    for (Phase phase : kPhases) {
        const std::string_view text = PhaseText(phase);
        width = std::max(
            width, widthFor(m_panel0,
                            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))));
    }
    width = std::max(width, widthFor(m_panel0, m_panel0->text()));
    m_panel0->setFixedWidth(width);
}

void StatusPanels::setActivity(const QString &text)
{
    m_panel0->setText(text);
    if (widthFor(m_panel0, text) > m_panel0->width())
        fitActivityPanel();
    collapseWhenIdle();
}

QString StatusPanels::activity() const
{
    return m_panel0->text();
}

void StatusPanels::setItem(const QString &text)
{
    m_panel2->setText(text);
}

void StatusPanels::setGauge(int percent)
{
    Gauge1->setValue(percent);
}

int StatusPanels::gauge() const
{
    return Gauge1->value();
}

void StatusPanels::showGauge(bool visible)
{
    Gauge1->setVisible(visible);
    collapseWhenIdle();
}

void StatusPanels::clearTexts()
{
    m_panel0->clear();
    m_panel2->clear();
    collapseWhenIdle();
}

void StatusPanels::setCounts(const QString &text)
{
    m_counts->setText(text);
    // The counts change many times a second: the panel only grows meanwhile, so the path
    // beside it does not jitter. An empty text starts afresh.
    m_countsWidth = text.isEmpty() ? 0 : std::max(m_countsWidth, widthFor(m_counts, text));
    m_counts->setMinimumWidth(m_countsWidth);
}

QString StatusPanels::counts() const
{
    return m_counts->text();
}

} // namespace twinly
