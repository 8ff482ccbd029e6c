#pragma once

// Helpers shared by the tests: a private FERRY_HOME and block name per test, the
// prompt script and its log, and the built programs started with the seams set.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace ferry::test {

// One prompt as logged by the prompt service.
struct LoggedPrompt {
    QString kind;
    QString caption;
    QString text;
};

// A private environment for one test: FERRY_HOME in a temporary folder, a unique
// FERRY_SHM_NAME, a FERRY_PORT_OFFSET of its own and FERRY_PROMPTS beside the home.
// The constructor also sets these in the test's own environment (for in-process code).
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString home() const { return m_dir.path(); }
    QString shmName() const { return m_shmName; }
    int portOffset() const { return m_portOffset; }
    QString promptsFile() const { return m_dir.path() + QStringLiteral("/prompts.txt"); }

    // Replaces the scripted answers ("yes", "no", "ok", "cancel", "text:..", "file:..").
    void setAnswers(const QStringList &answers) const;
    // The prompts logged so far.
    QList<LoggedPrompt> prompts() const;

    QProcessEnvironment environment() const;

    // Path of a built program (FERRY_BIN_DIR).
    static QString program(const QString &name);

    // Starts a built program with this environment; the caller owns the process.
    std::unique_ptr<QProcess> start(const QString &name, const QStringList &args = {},
                                    const QString &workingDirectory = QString()) const;

private:
    QTemporaryDir m_dir;
    QString m_shmName;
    int m_portOffset = 0;
};

// Stops a process politely (SIGTERM), then by force; returns its exit code or -1.
int stopProcess(QProcess &process, int waitMs = 5000);

} // namespace ferry::test
