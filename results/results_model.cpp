// SPDX-License-Identifier: GPL-3.0-or-later
#include "results_model.h"

#include "dos_time.h"
#include "path_text.h"
#include "reference_mark.h"

#include <QDateTime>
#include <QFont>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace twinly {

ResultsModel::ResultsModel(QObject *parent)
    : QAbstractTableModel(parent), m_headers{tr("File name"), tr("Size"), tr("Time"), tr("CRC")}
{}

void ResultsModel::fill(FileList &&records, const RowBand &bands,
                        const std::vector<std::uint32_t> &groups)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(records.size());
    const bool numbered = groups.size() >= records.size();
    m_files = std::move(records);
    std::uint32_t runGroup = 0;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        const std::uint8_t band = i < bands.size() ? bands[i] : std::uint8_t{1};
        if (i > 0 && band != m_rows.back().band)
            ++runGroup;
        m_rows.push_back(Row{m_nextId++, numbered ? groups[i] : runGroup, band, false});
    }
    records.clear();
    endResetModel();
}

std::pair<int, int> ResultsModel::groupRange(int row) const
{
    if (row < 0 || row >= size())
        return {row, row};
    const std::uint32_t g = group(row);
    int first = row, last = row + 1;
    while (first > 0 && group(first - 1) == g)
        --first;
    while (last < size() && group(last) == g)
        ++last;
    return {first, last};
}

int ResultsModel::rowOfId(std::uint64_t id) const
{
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), id,
                                     [](const Row &r, std::uint64_t v) { return r.id < v; });
    return it != m_rows.end() && it->id == id ? static_cast<int>(it - m_rows.begin()) : -1;
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_files.clear();
    m_files.shrink_to_fit();
    endResetModel();
}

void ResultsModel::RemoveRow(int row)
{
    if (row < 0 || row >= size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_files.erase(m_files.begin() + row);
    endRemoveRows();
}

void ResultsModel::setFullName(int row, const std::string &path)
{
    if (row < 0 || row >= size())
        return;
    TFileData &d = m_files[static_cast<std::size_t>(row)];
    const auto slash = path.rfind('/');
    d.FullName = path;
    d.NameStart = slash == std::string::npos ? 0 : static_cast<std::uint32_t>(slash + 1);
    Q_EMIT dataChanged(index(row, NameColumn), index(row, NameColumn));
}

void ResultsModel::setIdentity(int row, std::uint64_t device, std::uint64_t inode)
{
    if (row < 0 || row >= size())
        return;
    TFileData &d = m_files[static_cast<std::size_t>(row)];
    d.Device = device;
    d.Inode = inode;
}

void ResultsModel::setIdentity(int row, const platform::FileIdentity &now)
{
    if (row < 0 || row >= size())
        return;
    TFileData &d = m_files[static_cast<std::size_t>(row)];
    d.Device = now.Device;
    d.Inode = now.Inode;
    d.MtimeNs = now.MtimeNs;
    d.CtimeNs = now.CtimeNs;
}

std::vector<std::uint32_t> ResultsModel::groups() const
{
    std::vector<std::uint32_t> g;
    g.reserve(m_rows.size());
    for (const Row &r : m_rows)
        g.push_back(r.group);
    return g;
}

std::vector<std::uint8_t> ResultsModel::checkMarks() const
{
    std::vector<std::uint8_t> marks;
    marks.reserve(m_rows.size());
    for (const Row &r : m_rows)
        marks.push_back(r.checked ? 1 : 0);
    return marks;
}

void ResultsModel::setCheckMarks(std::span<const std::uint8_t> marks)
{
    int first = size(), last = -1;
    for (int i = 0; i < size(); ++i) {
        // An original is never checked, whatever the marks say.
        const bool checked = static_cast<std::size_t>(i) < marks.size() &&
                             marks[static_cast<std::size_t>(i)] != 0 && !record(i).Reference;
        if (m_rows[static_cast<std::size_t>(i)].checked == checked)
            continue;
        m_rows[static_cast<std::size_t>(i)].checked = checked;
        first = std::min(first, i);
        last = std::max(last, i);
    }
    if (last >= 0)
        Q_EMIT dataChanged(index(first, NameColumn), index(last, NameColumn), {Qt::CheckStateRole});
}

bool ResultsModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= size())
        return false;
    Row &r = m_rows[static_cast<std::size_t>(row)];
    if (checked && record(row).Reference)
        return false;
    if (r.checked == checked)
        return true;
    r.checked = checked;
    Q_EMIT dataChanged(index(row, NameColumn), index(row, NameColumn), {Qt::CheckStateRole});
    return true;
}

void ResultsModel::setBandColors(const QColor &band1, const QColor &band0)
{
    m_band1 = band1;
    m_band0 = band0;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(size() - 1, ColumnCount - 1),
                           {Qt::BackgroundRole, Qt::ForegroundRole});
}

QColor ResultsModel::readableTextOn(const QColor &band)
{
    // Relative luminance as contrast is judged for text: black reads better above 0.179,
    // white below.
    if (!band.isValid())
        return {}; // no band colour chosen: the palette's own text on the palette's base
    auto linear = [](float c) {
        return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
    };
    const QColor rgb = band.toRgb();
    const float luminance = 0.2126f * linear(rgb.redF()) + 0.7152f * linear(rgb.greenF()) +
                            0.0722f * linear(rgb.blueF());
    return luminance > 0.179f ? QColor(Qt::black) : QColor(Qt::white);
}

QString ResultsModel::sizeText(const TFileData &d)
{
    return QString::number(d.FileSize);
}

QString ResultsModel::timeText(DosTime t)
{
    if (t == 0)
        return {};
    const DosFields f = UnpackDosTime(t);
    const QDate date(f.year, f.month, f.day);
    const QTime time(f.hour, f.minute, f.second);
    const QLocale locale;
    QString text = locale.toString(date, QLocale::ShortFormat);
    // Exactly midnight shows the date alone.
    if (time != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(time, QLocale::LongFormat);
    return text;
}

QString ResultsModel::crcText(const TFileData &d)
{
    return QString::fromStdString(CrcText(d));
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const Row &row = m_rows[static_cast<std::size_t>(index.row())];
    const TFileData &file = m_files[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return platform::DisplayPath(file.FullName);
        case SizeColumn:
            return sizeText(file);
        case TimeColumn:
            return timeText(file.FileTime);
        case CrcColumn:
            return crcText(file);
        }
        break;
    case Qt::CheckStateRole:
        if (index.column() == NameColumn)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        break;
    case Qt::DecorationRole:
        if (index.column() == NameColumn && file.Reference) {
            if (m_referenceIcon.isNull())
                m_referenceIcon = ReferenceIcon();
            return m_referenceIcon;
        }
        break;
    case Qt::FontRole:
        if (file.Reference) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        break;
    case Qt::BackgroundRole:
        return row.band ? m_band1 : m_band0;
    case Qt::ForegroundRole:
        // The bands are the user's colours, not the palette's: text in the palette's colour
        // would vanish on a light band under a dark theme.
        if (const QColor text = readableTextOn(row.band ? m_band1 : m_band0); text.isValid())
            return text;
        break;
    case Qt::TextAlignmentRole:
        if (index.column() != NameColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return {};
}

bool ResultsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != NameColumn || index.row() >= size())
        return false;
    if (role == Qt::CheckStateRole)
        return setChecked(index.row(), value.toInt() == Qt::Checked);
    if (role == Qt::EditRole) {
        const QString text = value.toString();
        if (text != platform::DisplayPath(record(index.row()).FullName))
            Q_EMIT captionEdited(index.row(), text);
        return true;
    }
    return false;
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn) {
        f |= Qt::ItemIsEditable;
        if (!record(index.row()).Reference)
            f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return m_headers[section];
    if (role == Qt::UserRole) {
        static const char *const keys[ColumnCount] = {"ListFileName", "ListSize", "ListTime",
                                                      "ListCRC"};
        return QString::fromLatin1(keys[section]);
    }
    if (role == Qt::TextAlignmentRole && section != NameColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool ResultsModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                                 int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    m_headers[section] = value.toString();
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

} // namespace twinly
