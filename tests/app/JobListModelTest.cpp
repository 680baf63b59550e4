#include "app/JobListModel.h"

#include "JobListModelWatch.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace orvel;

namespace {

TlvFilesRecord JobFor(const std::string& path, int seconds) {
    return NewFilesRecord(0, path, "/out/" + std::filesystem::path(path).stem().string() + "_ipod.mp4",
                          int64_t{seconds} * 1000000, "lbox");
}

// Every row as "[x] path | length | trimmed | destination | progress".
std::vector<std::string> Rows(const TJobListModel& model) {
    std::vector<std::string> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        std::string line =
            model.data(model.index(r, jcSource), Qt::CheckStateRole) == Qt::Checked ? "[x] " : "[ ] ";
        for (int c = 0; c < jcColumnCount; ++c)
            line += (c ? " | " : "") + model.data(model.index(r, c)).toString().toStdString();
        rows.push_back(line);
    }
    return rows;
}

class JobListModelTest : public ::testing::Test {
protected:
    TJobListModel model;
    test::TJobListModelWatch watch{model};
};

} // namespace

TEST_F(JobListModelTest, EveryOperationKeepsTheRowsTheTableAndTheJobListInStep) {
    const struct Step {
        std::string what;
        std::function<void(TJobListModel&)> run;
        std::vector<std::string> rows;
    } steps[] = {
        {"add two",
         [](TJobListModel& m) {
             EXPECT_TRUE(m.Add(JobFor("/v/a.avi", 95)));
             EXPECT_TRUE(m.Add(JobFor("/v/b.mkv", 3)));
         },
         {"[x] /v/a.avi | 95 | 95 | a_ipod.mp4 | ", "[x] /v/b.mkv | 3 | 3 | b_ipod.mp4 | "}},
        {"the same path again, and one differing only in case",
         [](TJobListModel& m) {
             EXPECT_FALSE(m.Add(JobFor("/v/a.avi", 1)));
             EXPECT_TRUE(m.Add(JobFor("/v/A.avi", 7)));
         },
         {"[x] /v/a.avi | 95 | 95 | a_ipod.mp4 | ", "[x] /v/b.mkv | 3 | 3 | b_ipod.mp4 | ",
          "[x] /v/A.avi | 7 | 7 | A_ipod.mp4 | "}},
        {"uncheck one, reverse",
         [](TJobListModel& m) {
             m.SetChecked(1, false);
             m.ReverseCheck();
         },
         {"[ ] /v/a.avi | 95 | 95 | a_ipod.mp4 | ", "[x] /v/b.mkv | 3 | 3 | b_ipod.mp4 | ",
          "[ ] /v/A.avi | 7 | 7 | A_ipod.mp4 | "}},
        {"check through the view, trim and progress texts",
         [](TJobListModel& m) {
             EXPECT_TRUE(m.setData(m.index(0, jcSource), Qt::Checked, Qt::CheckStateRole));
             m.SetTrimmedLength(0, "40");
             m.SetProgress(2, "55%");
         },
         {"[x] /v/a.avi | 95 | 40 | a_ipod.mp4 | ", "[x] /v/b.mkv | 3 | 3 | b_ipod.mp4 | ",
          "[ ] /v/A.avi | 7 | 7 | A_ipod.mp4 | 55%"}},
        {"remove the middle row, then a row that does not exist",
         [](TJobListModel& m) {
             m.Remove(1);
             m.Remove(5);
             m.Remove(-1);
         },
         {"[x] /v/a.avi | 95 | 40 | a_ipod.mp4 | ", "[ ] /v/A.avi | 7 | 7 | A_ipod.mp4 | 55%"}},
        {"a removed path can come back",
         [](TJobListModel& m) { EXPECT_TRUE(m.Add(JobFor("/v/b.mkv", 4))); },
         {"[x] /v/a.avi | 95 | 40 | a_ipod.mp4 | ", "[ ] /v/A.avi | 7 | 7 | A_ipod.mp4 | 55%",
          "[x] /v/b.mkv | 4 | 4 | b_ipod.mp4 | "}},
        {"uncheck all, check all",
         [](TJobListModel& m) {
             m.CheckAll(false);
             m.CheckAll(true);
         },
         {"[x] /v/a.avi | 95 | 40 | a_ipod.mp4 | ", "[x] /v/A.avi | 7 | 7 | A_ipod.mp4 | 55%",
          "[x] /v/b.mkv | 4 | 4 | b_ipod.mp4 | "}},
        {"clear", [](TJobListModel& m) { m.Clear(); }, {}},
        {"clear an empty list, add after clearing",
         [](TJobListModel& m) {
             m.Clear();
             EXPECT_TRUE(m.Add(JobFor("/v/a.avi", 95)));
         },
         {"[x] /v/a.avi | 95 | 95 | a_ipod.mp4 | "}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.run(model);
        EXPECT_EQ(Rows(model), step.rows);
        EXPECT_EQ(model.CheckConsistency(), "");
        EXPECT_EQ(watch.Problems(), "");
        ASSERT_EQ(model.JobCount(), static_cast<int>(step.rows.size()));
        for (int r = 0; r < model.JobCount(); ++r) {
            EXPECT_EQ(model.Job(r).SourceFile, model.Text(r, jcSource));
            EXPECT_EQ(model.JobChecked(r), step.rows[static_cast<size_t>(r)].rfind("[x]", 0) == 0);
        }
    }
}

// The column counts from the probe's microseconds: whole seconds would lose up to a second.
TEST_F(JobListModelTest, TheTrimmedLengthFollowsAnEditedTrim) {
    const struct {
        int64_t durationUs, trimStart, trimLength;
        const char* shown;
    } cases[] = {
        {10'600'000, 2'300'000, 0, "8"}, // to the end: 8.3 s, not 10 - 2.3
        {10'600'000, 0, 0, "10"},
        {10'600'000, 2'000'000, 3'500'000, "3"},
        {10'600'000, 11'000'000, 0, "0"}, // a start past the end
    };
    for (const auto& c : cases) {
        model.Clear();
        ASSERT_TRUE(model.Add(NewFilesRecord(0, "/v/a.avi", "/o/a_ipod.mp4", c.durationUs, "lbox")));
        TlvFilesRecord edited = model.Job(0);
        edited.TrimStart = c.trimStart;
        edited.TrimLength = c.trimLength;
        model.SetJob(0, edited);
        EXPECT_EQ(model.Text(0, jcTrimmedLength), c.shown) << c.trimStart << " " << c.trimLength;
        EXPECT_EQ(model.Text(0, jcLength), "10");
    }
}

TEST_F(JobListModelTest, DestinationsShowTheFileNames) {
    ASSERT_TRUE(model.Add(JobFor("/v/a.avi", 95)));
    ASSERT_TRUE(model.Add(JobFor("/v/b.avi", 5)));
    model.SetDestinations({"/out/a_(new).mp4", "/out/b_(new_1).mp4"});
    EXPECT_EQ(model.Text(0, jcDestination), "a_(new).mp4");
    EXPECT_EQ(model.Text(1, jcDestination), "b_(new_1).mp4");
    model.SetDestinations({"/out/a_(new).avi"}); // a shorter list leaves the rest
    EXPECT_EQ(model.Text(0, jcDestination), "a_(new).avi");
    EXPECT_EQ(model.Text(1, jcDestination), "b_(new_1).mp4");
    EXPECT_EQ(watch.Problems(), "");
}

TEST_F(JobListModelTest, ApplyEditsCopiesOneJobsEditsOntoOthers) {
    for (const char* path : {"/v/a.avi", "/v/b.avi", "/v/c.avi"})
        ASSERT_TRUE(model.Add(NewFilesRecord(0, path, std::string(path) + "_ipod.mp4", 20'000'000, "lbox")));
    TlvFilesRecord edited = model.Job(0);
    edited.CropTop = 12;
    edited.ZoomMode = "pan";
    edited.WatermarkText = "mine";
    edited.WatermarkImage = "/p/logo.bmp";
    edited.Brightness = 200;
    edited.TrimStart = 5'000'000;
    model.SetJob(0, edited);
    const struct {
        bool withTrim;
        int64_t trimStart;
        const char* trimmed;
    } cases[] = {{false, 0, "20"}, {true, 5'000'000, "15"}};
    for (const auto& c : cases) {
        model.ApplyEdits(0, {1, 2, 7}, c.withTrim);
        for (const int row : {1, 2}) {
            const TlvFilesRecord& job = model.Job(row);
            EXPECT_EQ(job.SourceFile, row == 1 ? "/v/b.avi" : "/v/c.avi");
            EXPECT_EQ(job.CropTop, 12);
            EXPECT_EQ(job.ZoomMode, "pan");
            EXPECT_EQ(job.WatermarkText, "mine");
            EXPECT_EQ(job.WatermarkImage, "/p/logo.bmp");
            EXPECT_EQ(job.Brightness, 200);
            EXPECT_EQ(job.TrimStart, c.trimStart) << c.withTrim;
            EXPECT_EQ(model.Text(row, jcTrimmedLength), c.trimmed) << c.withTrim;
        }
    }
    EXPECT_EQ(model.CheckConsistency(), "");
}

TEST_F(JobListModelTest, AnEditedJobComesBackWithoutMovingItsRow) {
    ASSERT_TRUE(model.Add(JobFor("/v/a.avi", 95)));
    ASSERT_TRUE(model.Add(JobFor("/v/b.avi", 5)));
    TlvFilesRecord edited = model.Job(0);
    edited.TrimStart = 2'000'000;
    edited.SourceFile = "/v/b.avi"; // a dialog never changes the source; if one did, the row keeps its own
    model.SetJob(0, edited);
    EXPECT_EQ(model.Job(0).TrimStart, 2'000'000);
    EXPECT_EQ(model.Job(0).SourceFile, "/v/a.avi");
    EXPECT_FALSE(model.Add(JobFor("/v/a.avi", 1)));
    EXPECT_EQ(model.CheckConsistency(), "");
}

// Rows a..e, each with its own check, progress and record; a move must carry all of them and
// keep a selection (persistent indexes) on the moved rows.
TEST_F(JobListModelTest, MovedRowsTakeTheirJobsChecksAndTextsAlong) {
    const struct {
        const char* what;
        std::vector<int> rows;
        int before;
        std::string order;
        int first;
    } cases[] = {
        {"one up", {2}, 1, "acbde", 1},
        {"one down", {1}, 4, "acdbe", 3},
        {"several, apart, to the middle", {0, 4, 2}, 2, "baced", 1},
        {"several down to the end", {0, 1}, 5, "cdeab", 3},
        {"past the end is the end", {2}, 99, "abdec", 4},
        {"to the top", {3, 4}, -3, "deabc", 0},
        {"onto itself", {1, 2}, 2, "abcde", 1},
        {"just below itself", {1, 2}, 3, "abcde", 1},
        {"repeated and outside rows", {3, 3, -1, 9}, 0, "dabce", 0},
        {"nothing", {}, 0, "abcde", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        model.Clear();
        for (const char name : std::string("abcde")) {
            TlvFilesRecord job = JobFor(std::string("/v/") + name + ".avi", name - 'a' + 1);
            job.CropTop = name; // a field only the record carries
            ASSERT_TRUE(model.Add(std::move(job)));
            model.SetProgress(model.JobCount() - 1, std::string(1, name) + "%");
        }
        model.SetChecked(1, false); // b
        std::vector<std::pair<QPersistentModelIndex, std::string>> selected;
        for (const int row : c.rows)
            if (row >= 0 && row < model.JobCount())
                selected.emplace_back(model.index(row, jcSource), model.Text(row, jcSource));

        const int first = model.MoveRows(c.rows, c.before);

        std::string order;
        for (int r = 0; r < model.JobCount(); ++r) {
            const char name = model.Text(r, jcSource).at(3);
            order += name;
            EXPECT_EQ(model.Job(r).CropTop, name);
            EXPECT_EQ(model.Text(r, jcLength), std::to_string(name - 'a' + 1));
            EXPECT_EQ(model.Text(r, jcDestination), std::string(1, name) + "_ipod.mp4");
            EXPECT_EQ(model.Text(r, jcProgress), std::string(1, name) + "%");
            EXPECT_EQ(model.JobChecked(r), name != 'b');
        }
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(first, c.first);
        for (const auto& [index, source] : selected)
            EXPECT_EQ(model.Text(index.row(), jcSource), source);
        EXPECT_EQ(model.CheckConsistency(), "");
        EXPECT_EQ(watch.Problems(), "");
    }
}

TEST_F(JobListModelTest, ColumnsAndCheckBoxesAsTheListShowsThem) {
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c)
        captions << model.headerData(c, Qt::Horizontal).toString() + "/" +
                        QString::number(TJobListModel::ColumnWidth(c));
    EXPECT_EQ(captions, QStringList({"Source/140", "Length/65", "Trimmed Length/90", "Destination File/120",
                                     "Progress/60"}));
    ASSERT_TRUE(model.Add(JobFor("/v/a.avi", 95)));
    EXPECT_TRUE(model.flags(model.index(0, jcSource)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, jcLength)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, jcSource)) & Qt::ItemIsEditable) << "captions are read-only";
    EXPECT_FALSE(model.setData(model.index(0, jcSource), "x", Qt::EditRole));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetChecked(0, true); // already checked: nothing to tell the view
    EXPECT_EQ(changed.count(), 0);
    model.SetProgress(0, "10%");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, jcProgress));
}

TEST_F(JobListModelTest, AFailedRowCarriesItsReasonInEveryCellUntilCleared) {
    ASSERT_TRUE(model.Add(JobFor("/v/a.avi", 95)));
    ASSERT_TRUE(model.Add(JobFor("/v/b.avi", 5)));
    model.SetFailure(1, "Cannot open file");
    model.SetFailure(7, "outside the list");
    for (int c = 0; c < jcColumnCount; ++c) {
        EXPECT_FALSE(model.data(model.index(0, c), Qt::ToolTipRole).isValid()) << c;
        EXPECT_EQ(model.data(model.index(1, c), Qt::ToolTipRole).toString(), "Cannot open file") << c;
    }
    model.Remove(0); // the reason moves with its row
    EXPECT_EQ(model.data(model.index(0, jcProgress), Qt::ToolTipRole).toString(), "Cannot open file");
    model.ClearFailures();
    EXPECT_FALSE(model.data(model.index(0, jcSource), Qt::ToolTipRole).isValid());
    EXPECT_EQ(watch.Problems(), "");
}
