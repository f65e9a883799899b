#pragma once

#include <QChar>
#include <QStringView>

// "Spaces and tabs" as the process listing and the port filter mean them: the Unicode
// space separators and the tab. Pure; any thread.
[[nodiscard]] inline bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

[[nodiscard]] inline QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}
