// pantool table: what it prints for a table's structure, a seek with its seek-nexts, a walk of a
// descending tag and a dump with memo texts, and the exit statuses of its failures.
#include "tools/pantool_table.h"

#include "platform/core/message_box.h"
#include "tests/support/temp_dir.h"
#include "tools/dbase_writer.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

struct Output {
    int status = -1;
    std::string out;
};

Output runTable(const std::vector<std::string>& args) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    Output run;
    run.status = pantool::runTable(args, out);
    std::fclose(out);
    run.out.assign(buffer, size);
    std::free(buffer);
    return run;
}

class PantoolTable : public testing::Test {
protected:
    void SetUp() override {
        dbase::TableDef def;
        def.fields = {{"NAME", 'C', 8}, {"QTY", 'N', 5}, {"NOTE", 'M'}};
        def.records = {{"APRICOT", "7", "dried\r\nin the sun"},
                       {"BANANA", "12", ""},
                       {"APPLE", "3", "red\tgreen"}};
        def.tags = {{"NAME", "NAME"}, {"QTY", "QTY", /*descending=*/true}};
        dbase::writeTable(dir.path(), "FRUIT", def);
    }

    TempDir dir;
    platform::RecordedMessageBoxes boxes;
};

TEST_F(PantoolTable, ListsFieldsTagsAndRecordCount) {
    const Output run = runTable({dir.file("fruit.dbf")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "table\tFRUIT\nrecords\t3\n"
                       "field\tNAME\tC\t8\t0\nfield\tQTY\tN\t5\t0\nfield\tNOTE\tM\t10\t0\n"
                       "tag\tNAME\tC\t8\tNAME\t\n"
                       "tag\tQTY\tN\t12\tQTY\tdescending\n");
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(PantoolTable, SeekPrintsEachResultUntilTheFirstMiss) {
    Output run = runTable({dir.file("FRUIT"), "--tag", "name", "--seek", "AP", "--next", "5"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "0\t3\tAPPLE   \t    3\tred\\tgreen\n"
                       "0\t1\tAPRICOT \t    7\tdried\\r\\nin the sun\n"
                       "5\t2\tBANANA  \t   12\t\n");

    run = runTable({dir.file("FRUIT"), "--tag", "NAME", "--seek", "APRICOT"});
    EXPECT_EQ(run.out, "0\t1\tAPRICOT \t    7\tdried\\r\\nin the sun\n") << "no --next: one line";
}

TEST_F(PantoolTable, WalkFollowsTheTagsOrderAndDumpFollowsTheRecords) {
    Output run = runTable({dir.file("FRUIT"), "--tag", "QTY", "--walk"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2\tBANANA  \t   12\t\n"
                       "1\tAPRICOT \t    7\tdried\\r\\nin the sun\n"
                       "3\tAPPLE   \t    3\tred\\tgreen\n");

    run = runTable({dir.file("FRUIT"), "--dump"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1\tAPRICOT \t    7\tdried\\r\\nin the sun\n"
                       "2\tBANANA  \t   12\t\n"
                       "3\tAPPLE   \t    3\tred\\tgreen\n");
}

TEST_F(PantoolTable, FailuresGiveANonZeroStatus) {
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--tag", "WEIGHT", "--walk"}).status, 1);
    EXPECT_EQ(boxes.calls().size(), 1u) << "the table layer reports the unknown tag";

    const Output missing = runTable({dir.file("NOFRUIT")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_FALSE(boxes.calls().empty()) << "the table layer reports the missing file, too";

    EXPECT_EQ(runTable({}).status, 2);
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--seek", "A"}).status, 2) << "a seek needs a tag";
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--tag", "NAME", "--seek", "A", "--walk"}).status, 2);
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--tag", "NAME", "--next", "-1"}).status, 2);
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--tag", "NAME", "--dump"}).status, 2);
    EXPECT_EQ(runTable({dir.file("FRUIT"), "--next", "2"}).status, 2) << "--next without --seek";
}

TEST_F(PantoolTable, AWalkGoesOnPastAnEntryWithoutItsRecord) {
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 8}};
    def.records = {{"PEAR"}, {"FIG"}, {"APPLE"}};
    def.tags = {{"NAME", "NAME"}};
    def.options.recordCountOverride = 2; // the header has lost the last record
    dbase::writeTable(dir.path(), "SHORT", def);
    const Output run = runTable({dir.file("SHORT"), "--tag", "NAME", "--walk"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "3\n2\tFIG     \n1\tPEAR    \n");
}

} // namespace
