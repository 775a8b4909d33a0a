// SPDX-License-Identifier: GPL-3.0-or-later
// The preview beside the list: a picture four ways (original size with panning, fitted, as the
// visual comparison saw it, or its signature as a chart), upright as its camera recorded it when
// that option is on, or the text of any other file. Each selection reads the file anew; nothing
// is cached.
#include "main_window.h"

#include "chart_view.h"
#include "color_list.h"
#include "dialogs.h"
#include "masksearch.h"
#include "picture.h"
#include "qt_image_reader.h"
#include "results_model.h"
#include "results_view.h"
#include "signature.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTransform>

#include <algorithm>
#include <span>

namespace twinly {

namespace {

constexpr qint64 kTextLimit = 1 << 20;   // a multi-gigabyte file would freeze the program
constexpr qint64 kBinaryProbe = 8 << 10; // a NUL here: not text
constexpr qint64 kHexLimit = 64 << 10;

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

// The picture as a viewer shows it; false with the reason in `error` when it cannot be read.
bool readPicture(const std::string &path, bool upright, QImage &out, QString &error)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QFileInfo(file.fileName()).suffix().toLatin1());
    reader.setAutoTransform(false);
    if (!reader.read(&out)) {
        error = reader.errorString();
        return false;
    }
    if (upright)
        out = uprightImage(
            out,
            visual::OrientationOfPicture(
                std::as_bytes(std::span(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
                path));
    return true;
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

bool TForm1::isShownAsPicture(int row) const
{
    const TFileData &d = m_model->record(row);
    return d.OnDisk && MaskMatch(d.FullName, kPictureFormatsMask, /*wholeName=*/false);
}

void TForm1::showText(const TFileData &d)
{
    Memo2->clear();
    if (d.OnDisk) {
        QFile file(QFile::decodeName(QByteArray::fromStdString(d.FullName)));
        if (!file.open(QIODevice::ReadOnly)) {
            Dialogs::instance().error(this, GetString("strError", "Error"), file.errorString());
            return;
        }
        const QByteArray head = file.read(kTextLimit);
        if (head.left(kBinaryProbe).contains('\0'))
            Memo2->setPlainText(hexDump(head.left(kHexLimit)));
        else
            Memo2->setPlainText(QString::fromUtf8(head));
    }
    Image1->hide();
    Chart->hide();
    Memo2->show();
}

void TForm1::ListSelectItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const TFileData &d = m_model->record(row);
    if (!isShownAsPicture(row)) {
        showText(d);
        return;
    }
    Memo2->hide();
    if (m_previewMode == 3) {
        Image1->hide();
        Chart->show();
        Chart->setThreeD(Chart3D->isChecked());
        Chart->setLineColor(ChartColor->color());
        std::vector<double> values;
        if (d.Signature)
            values.assign(d.Signature->SquareValues.begin(), d.Signature->SquareValues.end());
        Chart->setValues(std::move(values));
        ArrangePreview();
        return;
    }
    Chart->hide();
    Image1->show();
    Image1->move(0, 0);
    QImage picture;
    if (m_previewMode == 2) {
        // Exactly what the signature was made from: the same decoding, scaling and colours.
        const int side = d.Signature ? d.Signature->ResizedSize : 0;
        visual::LoadedPicture loaded;
        const auto reader = platform::MakeQtImageReader();
        if (visual::LoadPicture(d.FullName, side, reader.get(), loaded,
                                CameraOrientation->isChecked()) != visual::LoadOutcome::Bitmap) {
            Dialogs::instance().error(
                this, GetString("strError", "Error"),
                GetString("strPicture", "Cannot load the picture %s")
                    .replace(QStringLiteral("%s"), QFile::decodeName(d.FullName.c_str())));
            return;
        }
        picture = toQImage(visual::ResizeForSignature(loaded.bitmap, side));
    } else {
        QString error;
        if (!readPicture(d.FullName, CameraOrientation->isChecked(), picture, error)) {
            Dialogs::instance().error(this, GetString("strError", "Error"), error);
            return;
        }
    }
    m_pictureSize = picture.size();
    Image1->setPixmap(QPixmap::fromImage(picture));
    if (m_previewMode == 0) {
        Image1->resize(picture.size());
        Image1->move((Panel3->width() - Image1->width()) / 2,
                     (Panel3->height() - Image1->height()) / 2);
    } else if (m_previewMode == 1) {
        ArrangePreview();
    } else {
        Image1->setGeometry(Panel3->rect());
    }
}

void TForm1::ArrangePreview()
{
    if (m_previewMode == 1 && !m_pictureSize.isEmpty()) {
        const double scale =
            std::min({static_cast<double>(Panel3->width()) / m_pictureSize.width(),
                      static_cast<double>(Panel3->height()) / m_pictureSize.height(), 1.0});
        Image1->resize(static_cast<int>(m_pictureSize.width() * scale),
                       static_cast<int>(m_pictureSize.height() * scale));
    }
    const int row = selectedRow();
    if (m_previewMode == 3 && row >= 0 && isShownAsPicture(row) && BackImage->isChecked()) {
        QImage picture;
        QString error;
        if (readPicture(m_model->record(row).FullName, CameraOrientation->isChecked(), picture,
                        error) &&
            !picture.isNull()) {
            const double scale =
                std::min({static_cast<double>(Chart->width()) / picture.width(),
                          static_cast<double>(Chart->height()) / picture.height(), 1.0});
            Chart->setBackground(
                QPixmap::fromImage(picture.scaled(static_cast<int>(picture.width() * scale),
                                                  static_cast<int>(picture.height() * scale))));
        }
    }
    if (m_previewMode == 2)
        Image1->setGeometry(Panel3->rect());
    else
        Image1->move((Panel3->width() - Image1->width()) / 2,
                     (Panel3->height() - Image1->height()) / 2);
}

void TForm1::FormResize()
{
    if (!Panel3)
        return;
    Memo2->setGeometry(Panel3->rect());
    Chart->setGeometry(Panel3->rect());
    ArrangePreview();
    Image1->update();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel3 && event->type() == QEvent::Resize)
        FormResize();
    const QEvent::Type type = event->type();
    if (watched == Image1 && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                              type == QEvent::MouseButtonRelease)) {
        const QPoint at = static_cast<const QMouseEvent *>(event)->position().toPoint();
        if (type == QEvent::MouseButtonPress) {
            // Only a picture that overhangs the panel can be dragged.
            if (m_previewMode == 0 && (Image1->y() < 0 || Image1->x() < 0)) {
                m_dragging = true;
                m_dragStart = at;
            }
        } else if (type == QEvent::MouseMove) {
            if (m_dragging) {
                const int left = Image1->x() + at.x() - m_dragStart.x();
                const int top = Image1->y() + at.y() - m_dragStart.y();
                int x = Image1->x(), y = Image1->y();
                if (left <= 0 && left + Image1->width() > Panel3->width())
                    x = left;
                if (top <= 0 && top + Image1->height() > Panel3->height())
                    y = top;
                Image1->move(x, y);
            }
        } else {
            m_dragging = false;
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace twinly
