// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview_panel.h"

#include "chart_view.h"
#include "file_reader.h"
#include "masksearch.h"
#include "options.h"
#include "path_text.h"
#include "picture.h"
#include "qt_image_reader.h"
#include "signature.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTransform>

#include <algorithm>
#include <optional>
#include <span>

namespace twinly {

namespace {

constexpr qint64 kTextLimit = 1 << 20;   // a multi-gigabyte file would freeze the program
constexpr qint64 kBinaryProbe = 8 << 10; // a NUL here: not text
constexpr qint64 kHexLimit = 64 << 10;
// Far beyond any picture the reader accepts (PictureSizeAcceptable).
constexpr qint64 kPictureLimit = qint64(1) << 30;

// Up to `limit` bytes of the file, read through its path's bytes (a QString cannot hold a
// name that is not UTF-8); nothing when it cannot be opened or read.
std::optional<QByteArray> readHead(const std::string &path, qint64 limit)
{
    platform::FileReader reader = platform::FileReader::open(path);
    if (!reader.isOpen())
        return std::nullopt;
    QByteArray data;
    constexpr qint64 kChunk = 1 << 16;
    while (data.size() < limit) {
        const qsizetype at = data.size();
        data.resize(at + static_cast<qsizetype>(std::min(kChunk, limit - at)));
        const std::int64_t n =
            reader.read(data.data() + at, static_cast<std::size_t>(data.size() - at));
        if (n < 0)
            return std::nullopt;
        data.resize(at + static_cast<qsizetype>(n));
        if (n == 0)
            break;
    }
    return data;
}

// The picture in the file, decoded by the toolkit; the name's extension tells the format first,
// the content next.
// Turned as the camera orientation says; the same reading of the tag as the signatures use, for
// every format.
QImage uprightImage(const QImage &stored, int orientation)
{
    QTransform turn;
    bool mirror = false;
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5:
        turn.rotate(90);
        mirror = true;
        break;
    case 6:
        turn.rotate(90);
        break;
    case 7:
        turn.rotate(270);
        mirror = true;
        break;
    case 8:
        turn.rotate(270);
        break;
    default:
        return stored;
    }
    const QImage turned = stored.transformed(turn);
    return mirror ? turned.mirrored(true, false) : turned;
}

// With `upright`, the picture is turned as its camera's orientation tag says (the toolkit's own
// turning is off, so every format is turned the same way).
bool readPicture(const std::string &path, bool upright, QImage &picture, QString &error)
{
    const std::optional<QByteArray> data = readHead(path, kPictureLimit);
    if (!data) {
        error.clear();
        return false;
    }
    QBuffer buffer;
    buffer.setData(*data);
    buffer.open(QIODevice::ReadOnly);
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    const QByteArray suffix =
        dot != std::string::npos && (slash == std::string::npos || dot > slash)
            ? QByteArray::fromStdString(path.substr(dot + 1)).toLower()
            : QByteArray();
    QImageReader reader(&buffer, suffix);
    reader.setAutoTransform(false);
    if (!reader.read(&picture)) {
        error = reader.errorString();
        return false;
    }
    if (upright)
        picture = uprightImage(
            picture,
            visual::OrientationOfPicture(
                std::as_bytes(std::span(data->constData(), static_cast<std::size_t>(data->size()))),
                path));
    return true;
}

QString hexDump(const QByteArray &data)
{
    QString out;
    for (qsizetype at = 0; at < data.size(); at += 16) {
        QString line = QStringLiteral("%1  ").arg(at, 8, 16, QLatin1Char('0'));
        QString chars;
        for (qsizetype i = at; i < at + 16; ++i) {
            if (i < data.size()) {
                const auto c = static_cast<unsigned char>(data[i]);
                line += QStringLiteral("%1 ").arg(c, 2, 16, QLatin1Char('0'));
                chars += c >= 32 && c < 127 ? QLatin1Char(static_cast<char>(c)) : QLatin1Char('.');
            } else {
                line += QStringLiteral("   ");
            }
        }
        out += line + QLatin1Char(' ') + chars + QLatin1Char('\n');
    }
    return out;
}

QImage toQImage(const visual::Bitmap16 &b)
{
    QImage image(b.width, b.height, QImage::Format_RGB16);
    for (int y = 0; y < b.height; ++y)
        std::copy_n(b.words.begin() + static_cast<std::ptrdiff_t>(y) * b.width, b.width,
                    reinterpret_cast<std::uint16_t *>(image.scanLine(y)));
    return image;
}

} // namespace

PreviewPanel::PreviewPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel3"));
    setMinimumWidth(100);
    // No layout: the picture is placed by hand (centred, or dragged over the panel's edges),
    // and the three views share one place, one visible at a time.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(tr("What you see that you have."));
    Image1->hide();
    Image1->installEventFilter(this);
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setToolTip(tr("Inside file."));
    Memo2->setReadOnly(true);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Chart = new ChartView(this);
    Chart->setObjectName(QStringLiteral("Chart"));
    Chart->setToolTip(tr("Image colors chart."));
    Chart->hide();
    setMode(OriginalSize);
}

void PreviewPanel::setMode(int mode)
{
    m_mode = mode;
    Image1->setScaledContents(m_mode == FitToPanel);
    Image1->setAlignment(m_mode == AsCompared ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
    Image1->setCursor(m_mode == OriginalSize ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PreviewPanel::setUpright(bool upright)
{
    m_upright = upright;
}

void PreviewPanel::setChartStyle(bool threeD, const QColor &line, bool pictureBehind)
{
    m_chartThreeD = threeD;
    m_chartLine = line;
    m_pictureBehindChart = pictureBehind;
}

bool PreviewPanel::ShowsAsPicture(const TFileData &d)
{
    return d.OnDisk && MaskMatch(d.FullName, kPictureFormatsMask, /*wholeName=*/false);
}

QString PreviewPanel::text(const char *key, const char *builtIn, const std::string &path) const
{
    const QString t = m_texts ? m_texts(key, builtIn) : QString::fromUtf8(builtIn);
    return QString(t).replace(QStringLiteral("%s"), platform::DisplayPath(path));
}

void PreviewPanel::clear()
{
    m_chartPicture.clear();
    Memo2->clear();
    Image1->hide();
    Chart->hide();
    Memo2->show();
}

QString PreviewPanel::showRecord(const TFileData &d)
{
    if (!ShowsAsPicture(d))
        return showText(d);
    Memo2->hide();
    if (m_mode == AsChart) {
        showChart(d);
        return {};
    }
    return showPicture(d);
}

QString PreviewPanel::showText(const TFileData &d)
{
    // A file that cannot be read leaves the panel as it was: nothing changes before the text
    // is in hand.
    if (d.OnDisk) {
        const std::optional<QByteArray> read = readHead(d.FullName, kTextLimit);
        if (!read)
            return text("strRead", "Cannot read the file %s", d.FullName);
        const QByteArray &head = *read;
        if (head.left(kBinaryProbe).contains('\0'))
            Memo2->setPlainText(hexDump(head.left(kHexLimit)));
        else
            Memo2->setPlainText(QString::fromUtf8(head));
    } else {
        Memo2->clear();
    }
    m_chartPicture.clear();
    Image1->hide();
    Chart->hide();
    Memo2->show();
    return {};
}

void PreviewPanel::showChart(const TFileData &d)
{
    m_chartPicture = d.FullName;
    Image1->hide();
    Chart->show();
    Chart->setThreeD(m_chartThreeD);
    Chart->setLineColor(m_chartLine);
    std::vector<double> values;
    if (d.Signature)
        values.assign(d.Signature->SquareValues.begin(), d.Signature->SquareValues.end());
    Chart->setValues(std::move(values));
    ArrangePreview();
}

QString PreviewPanel::showPicture(const TFileData &d)
{
    m_chartPicture.clear();
    Chart->hide();
    Image1->show();
    Image1->move(0, 0);
    QImage picture;
    if (m_mode == AsCompared) {
        // Exactly what the signature was made from: the same decoding, scaling and colours.
        const int side = d.Signature ? d.Signature->ResizedSize : 0;
        visual::LoadedPicture loaded;
        const auto reader = platform::MakeQtImageReader();
        if (visual::LoadPicture(d.FullName, side, reader.get(), loaded, m_upright) !=
            visual::LoadOutcome::Bitmap)
            return text("strPicture", "Cannot load the picture %s", d.FullName);
        picture = toQImage(visual::ResizeForSignature(loaded.bitmap, side));
    } else {
        QString error;
        if (!readPicture(d.FullName, m_upright, picture, error))
            return error.isEmpty() ? text("strRead", "Cannot read the file %s", d.FullName) : error;
    }
    m_pictureSize = picture.size();
    Image1->setPixmap(QPixmap::fromImage(picture));
    if (m_mode == OriginalSize) {
        Image1->resize(picture.size());
        Image1->move((width() - Image1->width()) / 2, (height() - Image1->height()) / 2);
    } else if (m_mode == FitToPanel) {
        ArrangePreview();
    } else {
        Image1->setGeometry(rect());
    }
    return {};
}

void PreviewPanel::ArrangePreview()
{
    if (m_mode == FitToPanel && !m_pictureSize.isEmpty()) {
        const double scale =
            std::min({static_cast<double>(width()) / m_pictureSize.width(),
                      static_cast<double>(height()) / m_pictureSize.height(), 1.0});
        Image1->resize(static_cast<int>(m_pictureSize.width() * scale),
                       static_cast<int>(m_pictureSize.height() * scale));
    }
    if (m_mode == AsChart && !m_chartPicture.empty() && m_pictureBehindChart) {
        QImage picture;
        QString error;
        if (readPicture(m_chartPicture, m_upright, picture, error) && !picture.isNull()) {
            const double scale =
                std::min({static_cast<double>(Chart->width()) / picture.width(),
                          static_cast<double>(Chart->height()) / picture.height(), 1.0});
            Chart->setBackground(
                QPixmap::fromImage(picture.scaled(static_cast<int>(picture.width() * scale),
                                                  static_cast<int>(picture.height() * scale))));
        }
    }
    if (m_mode == AsCompared)
        Image1->setGeometry(rect());
    else
        Image1->move((width() - Image1->width()) / 2, (height() - Image1->height()) / 2);
}

void PreviewPanel::FormResize()
{
    Memo2->setGeometry(rect());
    Chart->setGeometry(rect());
    ArrangePreview();
    Image1->update();
}

void PreviewPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

bool PreviewPanel::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != Image1 || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, event);
    const QPoint at = static_cast<const QMouseEvent *>(event)->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        // Only a picture that overhangs the panel can be dragged.
        if (m_mode == OriginalSize && (Image1->y() < 0 || Image1->x() < 0)) {
            m_dragging = true;
            m_dragStart = at;
        }
    } else if (type == QEvent::MouseMove) {
        if (m_dragging) {
            const int left = Image1->x() + at.x() - m_dragStart.x();
            const int top = Image1->y() + at.y() - m_dragStart.y();
            int x = Image1->x(), y = Image1->y();
            if (left <= 0 && left + Image1->width() > width())
                x = left;
            if (top <= 0 && top + Image1->height() > height())
                y = top;
            Image1->move(x, y);
        }
    } else {
        m_dragging = false;
    }
    return true;
}

} // namespace twinly
