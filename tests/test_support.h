#pragma once
// Helpers every test program shares.
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure output for Qt texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Every file and folder below dir with its content, to show that nothing was written.
inline QMap<QString, QByteArray> Tree(const QString &dir)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        tree.insert(info.filePath(), info.isDir() ? QByteArray("<dir>") : ReadBytes(info.filePath()));
    }
    return tree;
}

struct TRun
{
    int exitCode = -1;
    QByteArray output; // standard output and standard error together
};

// Runs a program to its end in the working directory, with extra environment
// entries; nothing it needs comes from the network.
inline TRun RunProgram(const QString &program, const QStringList &args, const QByteArray &input = {},
                const QStringList &env = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : env)
        e.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    p.setProcessEnvironment(e);
    p.start(program, args);
    TRun run;
    if (!p.waitForStarted(10000))
        return run;
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.output = p.readAll();
    return run;
}

// Each test works in its own empty directory, which is also the working directory
// (as start-up makes the program directory) so that relative paths stay inside it.
class TempDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
        progDir_ = dir_.path() + u'/';
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QTemporaryDir dir_;
    QString previous_;
    QString progDir_;
};
