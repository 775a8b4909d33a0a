// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the duplicate list. Each row holds its record, its band, its group number and its
// check mark in one place, so row i, record i and band i cannot get out of step: RemoveRow is the
// only way a row leaves, and nothing inserts or reorders rows after fill().
//
// Bands only colour the rows (and guide Select); once a group has left the list, its neighbours
// share a band. The group number, given by the search, keeps telling groups apart. Each row also
// has an id that stays its own while rows before it leave, for work that outlives an index.
//
// A row of a file in a reference folder is shown as such (a padlock, italic) and never takes a
// check mark, whoever asks: the user's click or key, or a command checking rows by path.
#pragma once

#include "file_data.h"
#include "file_identity.h"
#include "grouping.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>

#include <span>

#include <utility>
#include <vector>

namespace twinly {

class ResultsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, TimeColumn, CrcColumn, ColumnCount };

    explicit ResultsModel(QObject *parent = nullptr);

    // Takes the rows of a finished search; every row starts unchecked. Without group numbers
    // (rows made by hand), each run of one band is taken as a group.
    void fill(FileList &&records, const RowBand &bands,
              const std::vector<std::uint32_t> &groups = {});
    void clear();
    void RemoveRow(int row);
    // A moved or renamed file: record and caption change together.
    void setFullName(int row, const std::string &path);
    // The row's file is now another inode with the same content (a move across file systems).
    void setIdentity(int row, std::uint64_t device, std::uint64_t inode);
    // The row's path now holds a new file with the same content (a clone made in its place):
    // the row vouches for that file from now on.
    void setIdentity(int row, const platform::FileIdentity &now);

    const TFileData &record(int row) const { return m_files[static_cast<std::size_t>(row)]; }
    // Every row's record, in row order, for the engine's work on whole lists.
    std::span<const TFileData> records() const { return m_files; }
    // One group number per row, and one check mark per row (1 checked, 0 not).
    std::vector<std::uint32_t> groups() const;
    std::vector<std::uint8_t> checkMarks() const;
    // Checks exactly the rows marked (one byte per row; missing bytes read 0), in one change;
    // rows of originals stay unchecked.
    void setCheckMarks(std::span<const std::uint8_t> marks);
    std::uint8_t band(int row) const { return m_rows[static_cast<std::size_t>(row)].band; }
    std::uint32_t group(int row) const { return m_rows[static_cast<std::size_t>(row)].group; }
    // The rows of the row's group: [first, last). A group's rows stand together.
    std::pair<int, int> groupRange(int row) const;
    std::uint64_t rowId(int row) const { return m_rows[static_cast<std::size_t>(row)].id; }
    // The row with that id now, or -1 when it has left the list.
    int rowOfId(std::uint64_t id) const;
    bool isChecked(int row) const { return m_rows[static_cast<std::size_t>(row)].checked; }
    // Checking a reference row is refused (false); unchecking always succeeds.
    bool setChecked(int row, bool checked);
    int size() const { return static_cast<int>(m_rows.size()); }

    void setBandColors(const QColor &band1, const QColor &band0);

    // Row text as the list shows it.
    // Black or white, whichever reads better on the band colour; invalid for an invalid band.
    static QColor readableTextOn(const QColor &band);
    static QString sizeText(const TFileData &d);
    static QString timeText(DosTime t);
    static QString crcText(const TFileData &d);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Qt::UserRole gives a column's language-file key; a caption set for the display role
    // replaces the built-in one.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

Q_SIGNALS:
    // The user committed an in-place edit of a caption; the rename belongs to the window. The
    // text is what the user made of the caption (DisplayPath's text of the path).
    void captionEdited(int row, const QString &text);

private:
    // Records apart from the rest of a row, so the engine can read them as one array.
    struct Row {
        std::uint64_t id; // ascending down the list
        std::uint32_t group;
        std::uint8_t band;
        bool checked;
    };
    std::vector<Row> m_rows;
    FileList m_files; // m_files[i] is row i's record
    std::uint64_t m_nextId = 1;
    QColor m_band1 = Qt::red;
    QColor m_band0 = Qt::green;
    QString m_headers[ColumnCount];
    mutable QIcon m_referenceIcon; // drawn when first shown
};

} // namespace twinly
