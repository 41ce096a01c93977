// A test with a temporary folder of its own (m_dir), removed after the test, and files written into
// it.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TemporaryFolderTest : public testing::Test {
protected:
    // Writes `content` into the folder as `name`; the file's path.
    QString WriteFile(const QByteArray& content, const QString& name = QStringLiteral("addresses.txt")) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir m_dir;
};
