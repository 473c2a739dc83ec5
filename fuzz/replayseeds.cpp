// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Runs a fuzz target once over every file of the folders or files it is
// given, without libFuzzer: a broken property aborts, so the test fails.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString given = QFile::decodeName(argv[i]);  // NOLINT: argv is an array
        QStringList files{given};
        if (QFileInfo(given).isDir()) {
            files.clear();
            QDirIterator it(given, QDir::Files | QDir::Hidden);
            while (it.hasNext()) {
                files << it.next();
            }
        }
        for (const QString& path : std::as_const(files)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qUtf8Printable(path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   static_cast<size_t>(bytes.size()));
            ++replayed;
        }
    }
    std::printf("%d seed files replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
