#include "cli/Terminal.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

bool Terminal::s_progressShown = false;

namespace {

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void Terminal::out(const QString &text)
{
    clearProgress();
    write(stdout, text);
}

void Terminal::err(const QString &text)
{
    clearProgress();
    write(stderr, text);
}

void Terminal::error(const QString &message)
{
    err(QStringLiteral("quaylight-cli: ") + message + QLatin1Char('\n'));
}

QString Terminal::paint(const QString &text, Colour colour)
{
    static const bool enabled = stdoutIsTerminal() && qEnvironmentVariableIsEmpty("NO_COLOR");
    if (!enabled || colour == Colour::none || text.isEmpty())
        return text;
    const char *code = "";
    switch (colour) {
    case Colour::bold:
        code = "1";
        break;
    case Colour::dim:
        code = "2";
        break;
    case Colour::red:
        code = "31";
        break;
    case Colour::yellow:
        code = "33";
        break;
    case Colour::green:
        code = "32";
        break;
    case Colour::none:
        break;
    }
    return QStringLiteral("\033[%1m%2\033[0m").arg(QLatin1String(code), text);
}

bool Terminal::stdinIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

bool Terminal::stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

bool Terminal::stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool Terminal::confirm()
{
    err(QStringLiteral("Proceed? [y/N] "));
    QByteArray answer;
    char c = 0;
    // Byte by byte with read(): an interrupted read ends the question (Ctrl-C means no).
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            err(QStringLiteral("\n"));
            return false;
        }
        if (n <= 0 || c == '\n')
            break;
        answer.append(c);
    }
    answer = answer.trimmed().toLower();
    return answer == "y" || answer == "yes";
}

void Terminal::progress(const QString &text)
{
    if (!stderrIsTerminal())
        return;
    write(stderr, QStringLiteral("\r\033[K") + text);
    s_progressShown = true;
}

void Terminal::clearProgress()
{
    if (!s_progressShown)
        return;
    s_progressShown = false;
    write(stderr, QStringLiteral("\r\033[K"));
}
