#pragma once

#include "cli/Terminal.h"

#include <QList>
#include <QString>
#include <QStringList>

// A plain table for the terminal: a header row and columns padded to their widest cell
// (counted in characters, so "—" and "·" take one column), two spaces apart. The last
// column is never padded.
class TextTable
{
public:
    enum class Align { left, right };

    explicit TextTable(const QStringList &headers, const QList<Align> &aligns = {});
    void addRow(const QStringList &cells, Terminal::Colour colour = Terminal::Colour::none);
    [[nodiscard]] bool isEmpty() const { return m_rows.isEmpty(); }
    // Every line ends in a line feed; the header is bold on a colour terminal.
    [[nodiscard]] QString text() const;

private:
    struct Row
    {
        QStringList cells;
        Terminal::Colour colour;
    };

    QStringList m_headers;
    QList<Align> m_aligns;
    QList<Row> m_rows;
};
