// The table layer beside SQLite on the same 1,000,000 rows with a 10-character key: random point
// seeks, a full walk of the key order, and opening the table. Both stores are built once per run
// in a temporary folder: the dBASE table by the project's writer, the SQLite file with an index
// on the key.
#include "tables/table_layer.h"
#include "tools/dbase_writer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr long kRows = 1'000'000;
constexpr std::size_t kProbes = 1 << 16;

// Row i's key. Keys are unique and the rows are stored in an order unrelated to the keys
// (7919 is coprime to the row count, so the mapping is a permutation).
std::string keyOfRow(long i) {
    char key[16];
    std::snprintf(key, sizeof key, "K%09ld", (i * 7919) % kRows);
    return key;
}

// The same rows in both stores, made on first use and removed at exit.
class Stores {
public:
    static Stores& get() {
        static Stores stores;
        return stores;
    }
    Stores(const Stores&) = delete;
    Stores& operator=(const Stores&) = delete;

    std::string tablePath() const { return (m_dir / "BENCH").string(); }
    std::string sqlitePath() const { return (m_dir / "bench.sqlite").string(); }
    const std::vector<std::string>& probes() const { return m_probes; }

private:
    Stores() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "panorama-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_dir = pattern;
        writeTable();
        writeSqlite();
        unsigned seed = 2024;
        for (std::size_t i = 0; i < kProbes; ++i) {
            seed = seed * 1103515245u + 12345u;
            m_probes.push_back(keyOfRow(static_cast<long>((seed >> 4) % kRows)));
        }
    }
    ~Stores() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    static std::vector<std::string> row(long i) {
        char amount[16], day[16];
        std::snprintf(amount, sizeof amount, "%ld.%02ld", i % 100000, i % 100);
        std::snprintf(day, sizeof day, "%04ld%02ld%02ld", 1990 + i % 30, 1 + i % 12, 1 + i % 28);
        return {keyOfRow(i), "Name of row " + std::to_string(i), amount, day};
    }

    void writeTable() {
        dbase::TableDef def;
        def.fields = {{"KEY", 'C', 10}, {"NAME", 'C', 24}, {"AMOUNT", 'N', 10, 2}, {"DAY", 'D'}};
        def.records.reserve(kRows);
        for (long i = 0; i < kRows; ++i)
            def.records.push_back(row(i));
        def.tags = {{"KEY", "KEY"}};
        dbase::writeTable(m_dir, "BENCH", def);
    }

    void writeSqlite() {
        sqlite3* db = nullptr;
        if (sqlite3_open(sqlitePath().c_str(), &db) != SQLITE_OK)
            throw std::runtime_error("sqlite open");
        const auto exec = [&](const char* sql) {
            if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(db));
        };
        exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
             "CREATE TABLE bench (key TEXT, name TEXT, amount REAL, day TEXT);"
             "BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO bench VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
        for (long i = 0; i < kRows; ++i) {
            const std::vector<std::string> r = row(i);
            sqlite3_bind_text(insert, 1, r[0].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, r[1].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, std::atof(r[2].c_str()));
            sqlite3_bind_text(insert, 4, r[3].c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec("COMMIT; CREATE INDEX bench_key ON bench (key); ANALYZE");
        sqlite3_close(db);
    }

    std::filesystem::path m_dir;
    std::vector<std::string> m_probes;
};

// One context with the table open on its key tag, for the duration of one benchmark.
class OpenedTable {
public:
    OpenedTable() {
        code4init(&m_code);
        m_result =
            openTableSequence(m_code, Stores::get().tablePath(), {"KEY", "NAME"}, {"KEY"}, m_table);
        if (m_result == 0) d4tagSelect(m_table.data, m_table.tags[0]);
    }
    ~OpenedTable() {
        if (m_result == 0) d4close(m_table.data);
        code4initUndo(&m_code);
    }
    bool ok() const { return m_result == 0 && m_table.tags[0]; }
    Data4* data() { return m_table.data; }
    Field4* field(int i) { return m_table.fields[static_cast<std::size_t>(i)]; }

private:
    Code4 m_code;
    OpenTable m_table;
    int m_result = -1;
};

// The table layer opens its files without sharing; SQLite's exclusive locking mode is the same
// promise and spares it the lock and change-counter check of every statement.
sqlite3* openSqlite() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Stores::get().sqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
    return db;
}

// --- Random point seeks ------------------------------------------------------------------------

void BM_Seek_TableLayer(benchmark::State& state) {
    const auto& probes = Stores::get().probes();
    OpenedTable table;
    if (!table.ok()) return state.SkipWithError("table did not open");
    for (const std::string& key : probes)
        d4seek(table.data(), key.c_str()); // warm caches
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& key = probes[i++ % kProbes];
        if (d4seek(table.data(), key.c_str()) != 0) return state.SkipWithError("key not found");
        benchmark::DoNotOptimize(f4ptr(table.field(1))[0]);
    }
    state.SetItemsProcessed(state.iterations());
}

// SQLite runs with its default page cache (2 MB) and with one that holds the whole file.
void BM_Seek_SQLite(benchmark::State& state) {
    const auto& probes = Stores::get().probes();
    sqlite3* db = openSqlite();
    if (state.range(0)) sqlite3_exec(db, "PRAGMA cache_size=-262144", nullptr, nullptr, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM bench WHERE key = ?", -1, &select, nullptr);
    for (const std::string& key : probes) { // warm caches
        sqlite3_bind_text(select, 1, key.c_str(), 10, SQLITE_STATIC);
        sqlite3_step(select);
        sqlite3_reset(select);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& key = probes[i++ % kProbes];
        sqlite3_bind_text(select, 1, key.c_str(), 10, SQLITE_STATIC);
        if (sqlite3_step(select) != SQLITE_ROW) return state.SkipWithError("key not found");
        benchmark::DoNotOptimize(sqlite3_column_text(select, 0)[0]);
        sqlite3_reset(select);
    }
    state.SetItemsProcessed(state.iterations());
    sqlite3_finalize(select);
    sqlite3_close(db);
}

// --- A walk of the whole key order --------------------------------------------------------------

void BM_Walk_TableLayer(benchmark::State& state) {
    OpenedTable table;
    if (!table.ok()) return state.SkipWithError("table did not open");
    long rows = 0;
    for (auto _ : state) {
        long n = 0;
        for (int r = d4seek(table.data(), ""); r == 0; r = d4seekNext(table.data(), "")) {
            benchmark::DoNotOptimize(f4ptr(table.field(0))[0]);
            ++n;
        }
        if (n != kRows) return state.SkipWithError("walk missed rows");
        rows += n;
    }
    state.SetItemsProcessed(rows);
}

void BM_Walk_SQLite(benchmark::State& state) {
    sqlite3* db = openSqlite();
    if (state.range(0)) sqlite3_exec(db, "PRAGMA cache_size=-262144", nullptr, nullptr, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM bench ORDER BY key", -1, &select, nullptr);
    long rows = 0;
    for (auto _ : state) {
        long n = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(select, 0)[0]);
            ++n;
        }
        sqlite3_reset(select);
        if (n != kRows) return state.SkipWithError("walk missed rows");
        rows += n;
    }
    state.SetItemsProcessed(rows);
    sqlite3_finalize(select);
    sqlite3_close(db);
}

// --- Opening ------------------------------------------------------------------------------------

void BM_Open_TableLayer(benchmark::State& state) {
    const std::string path = Stores::get().tablePath();
    Code4 code;
    code4init(&code);
    for (auto _ : state) {
        OpenTable table;
        if (openTableSequence(code, path, {"KEY", "NAME"}, {"KEY"}, table) != 0)
            return state.SkipWithError("table did not open");
        d4close(table.data);
    }
    state.SetItemsProcessed(state.iterations());
    code4initUndo(&code);
}

void BM_Open_SQLite(benchmark::State& state) {
    const std::string path = Stores::get().sqlitePath();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_stmt* select = nullptr;
        const bool opened =
            sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT name FROM bench WHERE key = ?", -1, &select, nullptr) ==
                SQLITE_OK;
        sqlite3_finalize(select);
        sqlite3_close(db);
        if (!opened) return state.SkipWithError("sqlite did not open");
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Seek_TableLayer)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Seek_SQLite)->ArgName("wholeFileCache")->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Walk_TableLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk_SQLite)->ArgName("wholeFileCache")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_TableLayer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Open_SQLite)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Build both stores before the first timing starts.
    Stores::get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
