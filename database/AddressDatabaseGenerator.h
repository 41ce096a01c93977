// Writes a realistic standard-address database: a public tree of real city, district and town
// names (data/divisions.csv) with made-up roads, streets and numbers (grades 1-6, some levels
// unnamed); residential compounds (grade 7) whose DP records carry free-text addresses with the
// inner part in the forms operators meet (3栋2单元501室, 12号楼3单元, A座5层, 3-2-101, full-width
// digits, Chinese numerals, parentheses, typos, texts that fit no pattern); telephone numbers on
// the DPs; standard addresses (grade 6 and 7 leaves named after the compound plus an inner part)
// linked to telephone numbers, some on the compound's DPs and some not; and compounds that already
// have an inner tree (grades 8-10, linked to their DPs).
//
// The same seed and size give the same rows. The size is the number of addr rows to reach
// (roughly; a compound is never cut). Every database holds the two demo compounds below, built
// the same way whatever the seed and size:
//   阳光花园  北京市/朝阳区/建外街道/建国路/(no street)/88号: 60 households, DP addresses in the
//            forms 3栋2单元501室 (most), 3-2-501, 3号楼2单元501, full-width digits, Chinese
//            numerals, parentheses, typos and texts without pattern; standard addresses on its
//            DPs and unlinked ones; no inner tree yet.
//   金色家园  北京市/朝阳区/呼家楼街道/东三环中路/(no street)/39号: an inner tree already exists.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <functional>

struct AddressGeneratorOptions {
    uint32_t size = 2000; // addr rows to reach
    uint64_t seed = 1;
    // Called with the addr rows written so far, after each compound and each step of
    // CreateDatabase; it may throw to stop the run, whose transaction is then rolled back.
    std::function<void(qint64 addrRows)> progress;
    // CreateDatabase drops the tables and the sequence first, where they exist (SQLite, PostgreSQL).
    bool replaceExisting = false;
};

struct AddressGeneratorFigures {
    qint64 addr = 0;
    qint64 addrRef = 0;
    qint64 dpaddr = 0;
    qint64 telnum = 0;
    qint64 compounds = 0;
    qint64 milliseconds = 0;
};

class AddressDatabaseGenerator {
public:
    static constexpr char16_t DemoCellName[] = u"阳光花园";
    static constexpr char16_t DemoCellWithInnerTree[] = u"金色家园";

    using Options = AddressGeneratorOptions;
    using Figures = AddressGeneratorFigures;

    AddressDatabaseGenerator() = default;
    explicit AddressDatabaseGenerator(Options options) : m_options(options) {}

    // Fills the empty tables of an open database in one transaction and sets seq_addr past the
    // last id. Throws std::runtime_error with the database's message; nothing is left then.
    Figures Generate(QSqlDatabase& database) const;

    // Creates the schema on an open, empty database, fills it (unless withData is false; the
    // sequence is set either way), builds the indexes after the rows and gathers the planner's
    // statistics of the filled tables, all in one transaction: a failure leaves no new table
    // (where the database's structure changes are transactional, as in SQLite and PostgreSQL).
    Figures CreateDatabase(QSqlDatabase& database, bool withData = true) const;

    // Creates a new SQLite file with the schema and the data (the wizard's demo database). An
    // existing file is replaced; a failure leaves no file. Throws std::runtime_error.
    Figures CreateSqliteFile(const QString& path) const;

private:
    Options m_options;
};
