// SPDX-License-Identifier: GPL-3.0-or-later
// The preview beside the list: a picture four ways (original size with panning, fitted, as the
// visual comparison saw it, or its signature as a chart), upright as its camera recorded it when
// that option is on, or the text of any other file. Each record shown is read anew; nothing is
// cached. The panel tells failures back as text and leaves it to its owner to show them.
#pragma once

#include "file_data.h"

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace twinly {

class ChartView;

class PreviewPanel final : public QWidget {
    Q_OBJECT
public:
    // Picture modes, as the preview radios and the stored setting number them.
    enum Mode { OriginalSize = 0, FitToPanel = 1, AsCompared = 2, AsChart = 3 };
    // A message text by its key, in the user's language, with the built-in text as fallback.
    using Texts = std::function<QString(const char *key, const char *builtIn)>;

    explicit PreviewPanel(QWidget *parent = nullptr);

    void setTexts(Texts texts) { m_texts = std::move(texts); }
    int mode() const { return m_mode; }
    // Any value is kept (a stored setting may hold one); only 0 to 3 show a picture a known way.
    void setMode(int mode);
    void setChartStyle(bool threeD, const QColor &line, bool pictureBehind);
    // Pictures turned as their camera's orientation tag says.
    void setUpright(bool upright);

    // True when the record is a file on disk the panel shows as a picture.
    static bool ShowsAsPicture(const TFileData &record);
    // Shows the record; the text of what went wrong, or an empty text when it was shown.
    QString showRecord(const TFileData &record);
    // Back to the empty text view, as after a search.
    void clear();
    void ArrangePreview();
    // The views take the panel's size; run on every resize of the panel or of its window.
    void FormResize();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString showText(const TFileData &record);
    QString showPicture(const TFileData &record);
    void showChart(const TFileData &record);
    QString text(const char *key, const char *builtIn, const std::string &path) const;

    QLabel *Image1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    ChartView *Chart = nullptr;
    Texts m_texts;
    int m_mode = OriginalSize;
    bool m_upright = true;
    bool m_chartThreeD = false, m_pictureBehindChart = false;
    QColor m_chartLine;
    std::string m_chartPicture; // the file drawn behind the chart, when one is
    bool m_dragging = false;
    QPoint m_dragStart;
    QSize m_pictureSize; // of the picture in Image1
};

} // namespace twinly
