#pragma once
#include "common/Exception.h"
#include "test_support.h"

#include <QDirIterator>
#include <QMap>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// The working directory, and progDir_, on a file system that Fill() makes full.
// As root that is a small tmpfs filled to the last byte; where mounting is not
// permitted, the process's file-size limit drops to zero instead, which fails
// every write that adds a byte the way a full disk does.
class FullDiskTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        const QString disk = progDir_ + "disk";
        ASSERT_TRUE(QDir().mkdir(disk));
        mounted_ = ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k,mode=0755") == 0;
        ASSERT_TRUE(QDir::setCurrent(disk));
        progDir_ = disk + u'/';
        RecordProperty("full_disk", mounted_ ? "tmpfs" : "file-size limit");
    }

    void TearDown() override
    {
        Free();
        QDir::setCurrent(previous_);
        if (mounted_)
            ::umount2(QFile::encodeName(progDir_).constData(), MNT_DETACH);
        TempDirTest::TearDown();
    }

    void Fill()
    {
        if (mounted_) {
            const int fd = ::open(QFile::encodeName(kFiller).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ASSERT_GE(fd, 0);
            const QByteArray block(4096, 'x');
            for (qsizetype size = block.size(); size > 0; size /= 2)
                while (::write(fd, block.constData(), size_t(size)) > 0) {
                }
            ::close(fd);
        } else {
            ::signal(SIGXFSZ, SIG_IGN);
            ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_), 0);
            rlimit none = saved_;
            none.rlim_cur = 0;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
            limited_ = true;
        }
    }

    void Free()
    {
        if (mounted_)
            QFile::remove(progDir_ + kFiller);
        if (limited_)
            ::setrlimit(RLIMIT_FSIZE, &saved_);
        limited_ = false;
    }

    // Every file below progDir_ (hidden ones included) with its bytes.
    QMap<QString, QByteArray> Snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(progDir_, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.endsWith(kFiller))
                files.insert(path.mid(progDir_.size()), ReadBytes(path));
        }
        return files;
    }

    // The message of the failure the write raised, or "<no failure>".
    static QString Failure(const std::function<void()> &write)
    {
        try {
            write();
        } catch (const Exception &e) {
            return e.Message();
        }
        return "<no failure>";
    }

    static constexpr const char *kFiller = "filler";
    bool mounted_ = false;
    bool limited_ = false;
    rlimit saved_{};
};
