// The main window's "Area:" row: a shape file opened (a corridor width for its tracks, a
// crossing polygon repaired only on Yes), the rectangle again, and a shaped task opened
// from its file, a hand-edited one refused with the window unchanged.
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "common/LineFile.h"
#include "shape/ShapeCoverage.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::Sandbox;

constexpr const char* kTriangle =
    R"({"type":"Feature","properties":{"name":"Lakes"},"geometry":{"type":"Polygon",)"
    R"("coordinates":[[[10.1,45.2],[19.5,45.9],[11.0,49.7],[10.1,45.2]]]}})";
constexpr const char* kTrack =
    R"(<gpx><trk><trkseg><trkpt lat="45.5" lon="10.5"/><trkpt lat="49" lon="18"/></trkseg></trk></gpx>)";
constexpr const char* kBowTie =
    R"({"type":"Polygon","coordinates":[[[11,46],[13,48],[13,46],[11,48],[11,46]]]})";

TEST(MainWindowArea, AnOpenedShapeIsTheAreaOfTheRunAndTheRectangleComesBack) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.TypeRequest("1", "2", "3", "2", 9, rig.SaveFolder, "lakes.qtsk");
  const std::string file = rig.Box.Path("lakes.geojson");
  Sandbox::WriteAll(file, kTriangle);
  rig.Platform.QueueOpenFileAnswer(file);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonOpenShapeClick));
  EXPECT_EQ(rig.Form->LabelArea, "Lakes (" + file + ")");
  EXPECT_EQ(rig.Form->Edit1.substr(0, 7), "10.0999");
  EXPECT_EQ(rig.Form->Edit3.substr(0, 7), "19.5000");
  ASSERT_TRUE(rig.Form->AreaShape);

  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  const int64_t covered = ShapeCoverage(*rig.Form->AreaShape, 9).CoveredCount();
  EXPECT_EQ(rig.Form->LabelTotalxy, "Total images: " + std::to_string(covered));
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Form->Progress.SettledCount, covered);
  const std::string taskFile = rig.Form->CurrentTask->TaskFilePath();

  ASSERT_TRUE(rig.Click(&TForm1::ButtonRectangleClick));
  EXPECT_EQ(rig.Form->LabelArea, "Rectangle");
  EXPECT_FALSE(rig.Form->AreaShape);

  // The task opened from its file brings its shape back; a hand edit is refused.
  rig.Platform.QueueOpenFileAnswer(taskFile);
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
  EXPECT_EQ(rig.Form->LabelArea, "Lakes (" + taskFile + ")");
  ASSERT_TRUE(rig.Form->AreaShape);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonRectangleClick));
  std::string text = Sandbox::ReadAll(taskFile);
  text.replace(text.find("P1=10.1"), 7, "P1=10.2");
  Sandbox::WriteAll(taskFile, text);
  rig.Form->Edit1 = "1";
  rig.Platform.QueueOpenFileAnswer(taskFile);
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
  ASSERT_FALSE(rig.Platform.Messages().empty());
  EXPECT_EQ(rig.Platform.Messages().back().substr(0, 27), "The shape in the task file ");
  EXPECT_EQ(rig.Form->Edit1, "1");
  EXPECT_FALSE(rig.Form->AreaShape);
  EXPECT_EQ(Sandbox::ReadAll(taskFile), text);
}

TEST(MainWindowArea, ATrackNeedsACorridorAndACrossingPolygonIsRepairedOnlyOnYes) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  const std::string track = rig.Box.Path("track.gpx");
  Sandbox::WriteAll(track, kTrack);
  rig.Form->EditCorridor = "";
  rig.Platform.QueueOpenFileAnswer(track);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonOpenShapeClick));
  EXPECT_FALSE(rig.Form->AreaShape);
  EXPECT_EQ(rig.Platform.Messages().back(),
            track + " holds a track or line: give the corridor's width in metres on each side.");
  rig.Form->EditCorridor = "1500,5";
  rig.Platform.QueueOpenFileAnswer(track);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonOpenShapeClick));
  ASSERT_TRUE(rig.Form->AreaShape);
  EXPECT_EQ(rig.Form->AreaShape->CorridorMetres, 1500.5);
  EXPECT_EQ(rig.Form->LabelArea, "track (" + track + ")");

  const std::string tie = rig.Box.Path("tie.geojson");
  Sandbox::WriteAll(tie, kBowTie);
  rig.Platform.QueueQuestionAnswer(false);
  rig.Platform.QueueOpenFileAnswer(tie);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonOpenShapeClick));
  EXPECT_EQ(rig.Form->LabelArea, "track (" + track + ")");  // unchanged
  rig.Platform.QueueQuestionAnswer(true);
  rig.Platform.QueueOpenFileAnswer(tie);
  ASSERT_TRUE(rig.Click(&TForm1::ButtonOpenShapeClick));
  ASSERT_TRUE(rig.Form->AreaShape);
  EXPECT_EQ(rig.Form->AreaShape->Polygons.size(), 2u);
  EXPECT_TRUE(rig.Platform.Errors().empty());
}

}  // namespace
}  // namespace kartovel
