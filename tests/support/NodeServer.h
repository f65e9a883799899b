#pragma once

// A real node HTTP server that a test starts and owns: it listens on the first free port of
// the candidates it is given, and is killed and reaped when the object goes, also when a
// check fails half-way. Header-only, shared by the tests that need a real Node process.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class NodeServer
{
public:
    // The server's folder is a fresh temporary folder named after folderTemplate (a space in
    // it tests names with spaces).
    explicit NodeServer(const QString &folderTemplate = QDir::tempPath() + QStringLiteral("/quaylight node XXXXXX"))
        : m_dir(folderTemplate)
    {
    }

    ~NodeServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    NodeServer(const NodeServer &) = delete;
    NodeServer &operator=(const NodeServer &) = delete;

    // The name the server gives itself (process.title) once it runs; what ps then prints as
    // its command. Set before start().
    void setTitle(const QString &title) { m_title = title; }

    // Starts `node server.js [ports]` in the folder and waits until it listens. False, with
    // error() saying why, when node is missing or no candidate port was free.
    [[nodiscard]] bool start(const QList<int> &candidates)
    {
        m_node = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (m_node.isEmpty())
            return fail(QStringLiteral("node is not installed (scripts/install-deps installs nodejs)"));
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary folder"));
        QFile script(m_dir.filePath(QStringLiteral("server.js")));
        if (!script.open(QIODevice::WriteOnly) || script.write(s_script) < 0)
            return fail(QStringLiteral("cannot write server.js"));
        script.close();

        QStringList portTexts;
        for (const int port : candidates)
            portTexts.append(QString::number(port));
        m_portList = QLatin1Char('[') + portTexts.join(QLatin1Char(',')) + QLatin1Char(']');

        m_process.setWorkingDirectory(m_dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUAYLIGHT_TITLE"), m_title);
        m_process.setProcessEnvironment(environment);
        m_process.setProgram(m_node);
        m_process.setArguments({QStringLiteral("server.js"), m_portList});
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return fail(QStringLiteral("node did not start"));
        QByteArray announced;
        while (!announced.contains('\n') && m_process.waitForReadyRead(20000))
            announced += m_process.readAllStandardOutput();
        if (!announced.startsWith("listening "))
            return fail(QStringLiteral("node said: ") + QString::fromUtf8(announced));
        m_port = announced.trimmed().mid(10).toInt();
        return true;
    }

    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] qint32 pid() const { return qint32(m_process.processId()); }
    [[nodiscard]] QProcess &process() { return m_process; }
    [[nodiscard]] QString error() const { return m_error; }
    // The folder the server runs in, links resolved, as the process sees it.
    [[nodiscard]] QString directory() const { return QDir(m_dir.path()).canonicalPath(); }
    // The command line as ps prints it.
    [[nodiscard]] QString command() const
    {
        return m_title.isEmpty() ? m_node + QStringLiteral(" server.js ") + m_portList : m_title;
    }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    static constexpr const char *s_script = R"js(
const http = require('http');
if (process.env.QUAYLIGHT_TITLE) process.title = process.env.QUAYLIGHT_TITLE;
const ports = JSON.parse(process.argv[2]);
function listenOn(i) {
  if (i >= ports.length) { console.log('no free port'); process.exit(1); }
  const server = http.createServer((request, response) => response.end('ok'));
  server.once('error', () => listenOn(i + 1));
  server.listen(ports[i], () => console.log('listening ' + ports[i]));
}
listenOn(0);
)js";

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_node;
    QString m_portList;
    QString m_title;
    QString m_error;
    int m_port = 0;
};
