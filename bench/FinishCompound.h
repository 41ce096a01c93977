// A compound for measuring Finish: `leaves` leaves, half DP addresses (3栋2单元501室 under the
// patterns 栋 / 元 / 室) and half unlinked standard addresses (3号楼2单元501 under 楼 / 元 / [n]),
// every leaf distinct. Each DP has a telephone number; every tenth number also belongs to a
// standard address, which Finish moves below the DP's new node. The unlinked addresses are linked to
// numbers on no DP, so Finish replaces each by a node of the address tree. The rows go into a
// database that already holds a generated background (other compounds); the entries and trees are
// what pages 3 to 6 would hand to Finish.
#pragma once

#include "database/BatchInserter.h"
#include "commit/InnerTreeCommit.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <QSqlDatabase>
#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <string>
#include <vector>

namespace bench {

using namespace Qt::Literals::StringLiterals;

class FinishCompound {
public:
    static constexpr char16_t CellName[] = u"万家灯火苑";

    explicit FinishCompound(int leaves) : m_leaves(leaves) {
        const int dpLeaves = leaves / 2;
        for (int i = 0; i < dpLeaves; ++i)
            m_dpEntries.push_back(AddressEntry{Place(i, u"栋", u"单元", u"室"),
                                               QStringLiteral("BDP%1").arg(i, 7, 10, QChar(u'0')).toStdU16String(),
                                               0});
        for (int i = 0; i < leaves - dpLeaves; ++i)
            m_addrEntries.push_back(AddressEntry{Place(i, u"号楼", u"单元", u""),
                                                 QStringLiteral("B9%1").arg(i, 7, 10, QChar(u'0')).toStdU16String(),
                                                 0}); // stdAddrId set when the rows are written
        m_path = {u"测速市"_s, u"测速区"_s, u"测速镇"_s, u"测速路"_s, QString(), u"1号"_s,
                  QString::fromUtf16(CellName)};
    }

    // Writes the path, the DP records, their numbers, the standard addresses on them and the
    // unlinked addresses, with ids above the database's largest; sets the stdAddrId of the
    // entries and builds the two trees.
    void WriteRows(QSqlDatabase& database) {
        QSqlQuery max(database);
        max.exec(QStringLiteral("select max(id) from addr"));
        max.next();
        qint64 id = max.value(0).toLongLong() + 1;
        max.finish();
        const QString cell = QString::fromUtf16(CellName);
        BatchInserter addr(database, QStringLiteral("addr"), {u"id"_s, u"name"_s, u"grade"_s, u"parentid"_s});
        BatchInserter ref(database, QStringLiteral("addr_ref"), {u"stdaddrid"_s, u"oldid"_s, u"refflag"_s});
        BatchInserter dp(database, QStringLiteral("dpaddr97"), {u"num"_s, u"addr"_s});
        BatchInserter tel(database, QStringLiteral("telnum_dp97"), {u"telnum"_s, u"dpid"_s});
        qint64 parent = 0;
        for (int grade = 1; grade <= 7; ++grade) {
            addr.Add({id, m_path[grade - 1].isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : m_path[grade - 1],
                      grade, parent});
            parent = id++;
        }
        const qint64 numberNode = parent - 1; // 1号: the standard addresses hang there
        for (std::size_t i = 0; i < m_dpEntries.size(); ++i) {
            const QString text = cell + QString::fromStdU16String(m_dpEntries[i].text);
            const QString num = QString::fromStdU16String(m_dpEntries[i].oldId);
            const QString number = QStringLiteral("B8%1").arg(i, 7, 10, QChar(u'0'));
            dp.Add({num, u"测速市"_s + text});
            tel.Add({number, num});
            if (i % 10 == 0) {
                addr.Add({id, text, 7, numberNode});
                ref.Add({id++, number, 0});
            }
        }
        for (AddressEntry& entry : m_addrEntries) {
            addr.Add({id, cell + QString::fromStdU16String(entry.text), 7, numberNode});
            ref.Add({id, QString::fromStdU16String(entry.oldId), 0});
            entry.stdAddrId = static_cast<uint32_t>(id++);
        }
        addr.Flush();
        ref.Flush();
        dp.Flush();
        tel.Flush();
        BuildTrees();
    }

    // The entries and trees without writing (the rows are in a cached database already): the ids
    // come out the same because WriteRows numbers them from the same start.
    void BuildTrees() {
        m_dpTree = BuildResultTree(CellName, m_dpEntries, BuildPatternSet({{u"栋", u"元", u"室"}}));
        m_addrTree = BuildResultTree(CellName, m_addrEntries, BuildPatternSet({{u"楼", u"元", u"[n]"}}));
    }
    // Reads the stdAddrId of the unlinked entries from the database (a cached one).
    void ReadIds(QSqlDatabase& database) {
        QSqlQuery query(database);
        query.exec(QStringLiteral("select r.oldid, r.stdaddrid from addr_ref r where r.oldid like 'B9%'"));
        QHash<QString, uint32_t> ids;
        while (query.next())
            ids.insert(query.value(0).toString(), query.value(1).toUInt());
        for (AddressEntry& entry : m_addrEntries)
            entry.stdAddrId = ids.value(QString::fromStdU16String(entry.oldId));
        BuildTrees();
    }

    // One Finish on g_pDatabase; true when it committed.
    bool Finish() const {
        InnerTreeCommit commit(m_path, m_dpTree, m_dpEntries, m_addrTree, m_addrEntries);
        return commit.CommitInnerTree();
    }

    int Leaves() const { return m_leaves; }
    std::size_t TreeNodes() const { return m_dpTree.nodes.size() + m_addrTree.nodes.size(); }

private:
    // Entry i's place: building, unit 1-6, floor 1-30, room 1-4 (720 places a building).
    static std::u16string Place(int i, std::u16string_view building, std::u16string_view unit,
                                std::u16string_view room) {
        const int b = 1 + i / 720;
        const int u = 1 + (i / 120) % 6;
        const int f = 1 + (i / 4) % 30;
        const int r = 1 + i % 4;
        std::u16string text = QString::number(b).toStdU16String();
        text += building;
        text += QString::number(u).toStdU16String();
        text += unit;
        text += QString::number(f * 100 + r).toStdU16String();
        text += room;
        return text;
    }

    int m_leaves;
    CellPathNames m_path;
    std::vector<AddressEntry> m_dpEntries;
    std::vector<AddressEntry> m_addrEntries;
    ResultTree m_dpTree;
    ResultTree m_addrTree;
};

} // namespace bench
