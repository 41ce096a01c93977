// libFuzzer target (clang only, -DTESSEL_FUZZ=ON): an input is UTF-8 text, statements separated by
// NUL characters, each given to a translation cache and the translator of each dialect; they must
// agree (see tests/support/TranslationAgreement.h). The caches live for one input, so that a
// statement's shape serves the statements after it. The corpus worth keeping goes to
// tests/platform/corpus/translation_cache, which test_translation_cache replays on every test run.
#include "tests/support/TranslationAgreement.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    translation_agreement::Pair sqlite(dataaccess::SqlDialect::SQLite);
    translation_agreement::Pair postgres(dataaccess::SqlDialect::PostgreSQL);
    for (const QByteArray& bytes : input.split('\0')) {
        const QString statement = QString::fromUtf8(bytes);
        for (translation_agreement::Pair* pair : {&sqlite, &postgres}) {
            if (const auto difference = pair->Disagreement(statement)) {
                std::fprintf(stderr, "statement: %s\n%s\n", statement.toUtf8().constData(),
                             difference->toUtf8().constData());
                std::abort();
            }
        }
    }
    return 0;
}
