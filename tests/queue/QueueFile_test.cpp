// The queue's file as users edit it: every job written is read back the same, and each
// kind of damage leaves out its own entry only, with a sentence naming the file and the
// entry; the store keeps a damaged file aside before writing its own.
#include "queue/QueueFile.h"

#include <gtest/gtest.h>

#include "common/LineFile.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

QueueJob Sample(int32_t id) {
  QueueJob job;
  job.Id = id;
  job.TaskName = "berlin";
  job.SavePath = "/maps";
  job.LeftLongitude = "13.3";
  job.RightLongitude = "13.5";
  job.TopLatitude = "52.6";
  job.BottomLatitude = "52.4";
  job.FirstZoom = 12;
  job.LastZoom = 14;
  job.ZoomRange = true;
  job.State = JobState::Running;
  job.Zoom = 13;
  job.Settled = 7;
  job.Total = 30;
  return job;
}

std::string Text(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(QueueFile, WhatIsWrittenIsReadBackTheSame) {
  QueueJob shaped = Sample(4);
  shaped.HasShape = true;
  shaped.LeftLongitude = shaped.RightLongitude = shaped.TopLatitude = shaped.BottomLatitude = "";
  shaped.ZoomRange = false;
  shaped.LastZoom = 12;
  shaped.State = JobState::EndedWithFailures;
  shaped.Note = "Map type 120 is not one of the map sources.";
  const std::vector<QueueJob> jobs{Sample(1), shaped};
  const QueueReading reading = ParseQueueFile(Text(QueueFileLines(jobs)), "q.ini");
  EXPECT_EQ(reading.Problems, std::vector<std::string>{});
  EXPECT_EQ(reading.Jobs, jobs);
}

TEST(QueueFile, EachDamageLeavesOutItsEntryOnlyAndSaysWhy) {
  const std::string good = Text(QueueFileLines({Sample(1)}));
  const std::string entry = Text(QueueFileLines({Sample(2)}));
  const auto edited = [&entry](const std::string& from, const std::string& to) {
    std::string text = entry;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string Damaged;
    std::string Said;
  };
  const std::vector<Case> cases = {
      {edited("State=running", "State=runing"),
       "q.ini: the job [Job 2] was left out: State \"runing\" is not one of waiting, running, "
       "done, ended with failures, stopped."},
      {edited("Zooms=12-14", "Zooms=14-12"),
       "q.ini: the job [Job 2] was left out: Zooms \"14-12\" is no zoom Z or range Z1-Z2 with Z1 "
       "not above Z2."},
      {edited("Zooms=12-14", "Zooms=12-99"),
       "q.ini: the job [Job 2] was left out: Zooms \"12-99\" is no zoom Z or range Z1-Z2 with Z1 "
       "not above Z2."},
      {edited("MapsType=3", "MapsType=three"),
       "q.ini: the job [Job 2] was left out: MapsType \"three\" is no whole number."},
      {edited("Settled=7", "Settled=-7"),
       "q.ini: the job [Job 2] was left out: Settled \"-7\" is no whole number."},
      {edited("Path=/maps\r\n", ""), "q.ini: the job [Job 2] was left out: it has no Path."},
      {edited("Left=13.3\r\n", ""), "q.ini: the job [Job 2] was left out: it has no Left."},
      {edited("Name=berlin", "Name= "), "q.ini: the job [Job 2] was left out: its name or folder is empty."},
      {entry + "Shape=2\r\n",
       "q.ini: the job [Job 2] was left out: Shape is neither 0 nor 1."},
      {entry + "Colour=red\r\n",
       "q.ini: the job [Job 2] was left out: \"Colour=red\" is not a key of a job."},
      {entry + "Zoom=3\r\n", "q.ini: the job [Job 2] was left out: it names Zoom twice."},
      {entry + "garbage\r\n",
       "q.ini: the job [Job 2] was left out: \"garbage\" is not a key of a job."},
      {edited("[Job 2]", "[Job two]"),
       "q.ini: the job [Job two] was left out: its heading is not [Job N] with N a whole number "
       "above 0."},
      {edited("[Job 2]", "[Job 1]"),
       "q.ini: the job [Job 1] was left out: an earlier job has the same number."},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Said);
    const QueueReading reading = ParseQueueFile(good + "\r\n" + test.Damaged, "q.ini");
    EXPECT_EQ(reading.Problems, std::vector<std::string>{test.Said});
    EXPECT_EQ(reading.Jobs, std::vector<QueueJob>{Sample(1)});
  }
  // A line before any job is named by its number; the jobs are read.
  const QueueReading stray = ParseQueueFile("stray\r\n" + good, "q.ini");
  EXPECT_EQ(stray.Problems,
            std::vector<std::string>{"q.ini: line 1 is no part of a job and was left out: \"stray\"."});
  EXPECT_EQ(stray.Jobs, std::vector<QueueJob>{Sample(1)});
}

TEST(QueueFile, TheStoreKeepsADamagedFileAsideAndNeverOverwritesAnEarlierCopy) {
  Sandbox box;
  const std::string path = box.Path("data/queue.ini");
  QueueStore store(path);
  const QueueJob added = store.Add(Sample(0), std::nullopt);
  EXPECT_EQ(added.Id, 1);
  const std::string damaged = Sandbox::ReadAll(path) + "[Job 9]\r\nName=x\r\n";
  for (const std::string& aside : {path + ".damaged", path + ".damaged-2"}) {
    Sandbox::WriteAll(path, damaged);
    const std::vector<std::string> problems =
        store.Update([](std::vector<QueueJob>& jobs) { jobs.front().State = JobState::Stopped; });
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1], "The file as it was is kept as " + aside + ".");
    EXPECT_EQ(Sandbox::ReadAll(aside), damaged);
  }
  const QueueReading now = store.Load();
  EXPECT_TRUE(now.Problems.empty());
  ASSERT_EQ(now.Jobs.size(), 1u);
  EXPECT_EQ(now.Jobs[0].State, JobState::Stopped);
}

}  // namespace
}  // namespace kartovel
