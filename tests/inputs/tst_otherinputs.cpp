// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// Every file the command-line tools read goes through one rule: a FIFO, a device, a folder or
// a file of more than 64 MiB is refused at once with the same message, by every command, for
// every file it reads, and nothing is written.
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Run
{
    bool finished = false;
    int status = -1;
    QString err;
};

Run runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    // A FIFO opened for reading would block for ever: a tool still running is a failure.
    run.finished = process.waitForFinished(20000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.status = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

class TestOtherInputs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_source = m_dir.filePath(QStringLiteral("CDI.asm"));
        QVERIFY(QFile::copy(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"), m_source));
        const QByteArray dir = QFile::encodeName(m_dir.path());
        // The special files, all in the private folder: a FIFO, a copy of /dev/zero's node, a
        // folder, a link to the FIFO, and a sparse file one byte over the limit.
        QCOMPARE(::mkfifo(dir + "/fifo", 0600), 0);
        QCOMPARE(::mknod(dir + "/zero", S_IFCHR | 0600, makedev(1, 5)), 0);
        QCOMPARE(::mkdir(dir + "/folder.asm", 0700), 0);
        QCOMPARE(::symlink(dir + "/fifo", dir + "/link-to-fifo"), 0);
        QFile huge(m_dir.filePath(QStringLiteral("huge")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(64 * 1024 * 1024 + 1));
        m_sourceHash = hashOf(m_source);
    }

    void refusedByEveryReader_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments"); // @ stands for the special file
        QTest::addColumn<QString>("prefix");        // before the message
        const QString tables = QStringLiteral(CDI_TABLES);
        const QString source = QStringLiteral("@SOURCE@");
        const QString cli = QStringLiteral("cdi-tables: ");
        QTest::newRow("show") << tables << QStringList{"show", "@"} << cli;
        QTest::newRow("diff, first") << tables << QStringList{"diff", "@", source} << cli;
        QTest::newRow("diff, second") << tables << QStringList{"diff", source, "@"} << cli;
        QTest::newRow("import, CSV") << tables << QStringList{"import", source, "@"} << cli;
        QTest::newRow("import, source") << tables << QStringList{"import", "@", source} << cli;
        QTest::newRow("flash") << tables << QStringList{"flash", "@"} << QString();
#ifdef CDI_BENCH
        const QString sourceRead = QStringLiteral("verify: cannot read the source: ");
        const QString hexRead = QStringLiteral("verify: cannot read the firmware image: ");
        QTest::newRow("verify, source") << tables << QStringList{"verify", "@"} << sourceRead;
        QTest::newRow("verify, --hex")
            << tables << QStringList{"verify", source, "--hex", "@"} << hexRead;
        QTest::newRow("cdi-bench verify, source")
            << QStringLiteral(CDI_BENCH) << QStringList{"verify", "@"} << sourceRead;
        QTest::newRow("cdi-bench verify, --hex")
            << QStringLiteral(CDI_BENCH) << QStringList{"verify", source, "--hex", "@"} << hexRead;
#endif
    }

    void refusedByEveryReader()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, prefix);
        const struct
        {
            const char *name;
            QString message;
        } kinds[] = {
            {"fifo", QStringLiteral("Not a regular file, not read: ")},
            {"zero", QStringLiteral("Not a regular file, not read: ")},
            {"link-to-fifo", QStringLiteral("Not a regular file, not read: ")},
            {"folder.asm", QStringLiteral("A folder, not a file, not read: ")},
            {"huge", QStringLiteral("The file is larger than 64 MiB, not read: ")},
        };
        for (const auto &kind : kinds) {
            const QString special = m_dir.filePath(QLatin1String(kind.name));
            QStringList words = arguments;
            words.replaceInStrings(QStringLiteral("@SOURCE@"), m_source);
            words.replace(words.indexOf(QStringLiteral("@")), special);
            const Run run = runTool(program, words);
            QVERIFY2(run.finished, kind.name);
            QCOMPARE(run.err, prefix + kind.message + special + QLatin1Char('\n'));
            QCOMPARE(run.status, 2);
            QCOMPARE(hashOf(m_source), m_sourceHash);
        }
    }

    // A link to a regular file is read as the file.
    void linkToARegularFileIsRead()
    {
        const QString link = m_dir.filePath(QStringLiteral("link.asm"));
        QVERIFY(QFile::link(m_source, link));
        const Run run = runTool(QStringLiteral(CDI_TABLES), {QStringLiteral("show"), link});
        QVERIFY(run.finished);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
    }

    // The Russian wording of the same messages.
    void russianMessages()
    {
        QStringList words{QStringLiteral("show"), m_dir.filePath(QStringLiteral("folder.asm")),
                          QStringLiteral("--lang"), QStringLiteral("ru")};
        Run run = runTool(QStringLiteral(CDI_TABLES), words);
        QCOMPARE(run.err, QStringLiteral(u"cdi-tables: Это папка, а не файл, она не прочитана: ") +
                              words[1] + QLatin1Char('\n'));
        words[1] = m_dir.filePath(QStringLiteral("fifo"));
        run = runTool(QStringLiteral(CDI_TABLES), words);
        QCOMPARE(run.err, QStringLiteral(u"cdi-tables: Это не обычный файл, он не прочитан: ") +
                              words[1] + QLatin1Char('\n'));
    }

private:
    QTemporaryDir m_dir;
    QString m_source;
    QByteArray m_sourceHash;
};

QTEST_GUILESS_MAIN(TestOtherInputs)
#include "tst_otherinputs.moc"
