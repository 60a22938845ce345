#include "design/LayoutReads.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace sky {
namespace {

constexpr qsizetype kTablesPerBlock = 64;
constexpr qsizetype kTablesPerThread = 256;

struct LayoutReads {
    const TSchemaCatalogue& cat;
    const QList<const TCatalogueEntry*>& tables;
    const QString& schema;
    const std::function<TLayoutSink()>& makeRun;
    std::vector<char> read;
    std::atomic<qsizetype> next{0};

    void Run() noexcept {
        try {
            const TLayoutSink sink = makeRun();
            TTableLayout t;
            const qsizetype size = tables.size();
            for (qsizetype from; (from = next.fetch_add(kTablesPerBlock)) < size;) {
                for (qsizetype k = from; k < std::min(size, from + kTablesPerBlock); ++k) {
                    const TCatalogueEntry& e = *tables[k];
                    // A name that does not survive decoding cannot be
                    // addressed by statements: left to the engine's way,
                    // which refuses it.
                    QString name = e.Name();
                    if (name.toUtf8() != e.name || !LayoutFromCatalogue(cat, e, schema, t))
                        continue;
                    t.tblName = std::move(name); // as stored
                    sink(k, t);
                    read[size_t(k)] = 1;
                }
            }
        } catch (...) {
            // Out of memory: the tables left unread are the caller's.
        }
    }
};

} // namespace

std::vector<char> ReadLayoutsSideBySide(const TSchemaCatalogue& cat,
                                        const QList<const TCatalogueEntry*>& tables,
                                        const QString& schema,
                                        const std::function<TLayoutSink()>& makeRun) {
    LayoutReads reads{cat, tables, schema, makeRun, std::vector<char>(size_t(tables.size()), 0)};
    const qsizetype threads = std::clamp<qsizetype>(
        std::min<qsizetype>(QThread::idealThreadCount(), tables.size() / kTablesPerThread), 1, 8);
    std::vector<std::thread> workers;
    for (qsizetype w = 1; w < threads; ++w) {
        try {
            workers.emplace_back(&LayoutReads::Run, &reads);
        } catch (const std::system_error&) {
            break; // fewer helpers
        }
    }
    reads.Run();
    for (std::thread& w : workers)
        w.join();
    return std::move(reads.read);
}

} // namespace sky
