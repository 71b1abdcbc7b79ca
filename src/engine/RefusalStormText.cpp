// The texts of a run paused by a storm of refusals.
#include "engine/RefusalStormText.h"

#include <ctime>

namespace kartovel {

std::string RefusalStormWhat(const RefusalStorm& storm, const std::string& sinceText) {
  return "The server refused " + std::to_string(storm.Answers) +
         " requests in a row since " + sinceText + ", the last with \"" + storm.StatusText +
         "\": the run paused before its next request and kept its place; the refused tiles "
         "are left to be fetched.";
}

std::string RefusalStormAdvice(const MapSource& source, int32_t workers) {
  const std::string fetched = "\"" + source.Name + "\" is fetched with " +
                              std::to_string(workers) + (workers == 1 ? " worker" : " workers") +
                              " and a pause of " + std::to_string(source.PauseMs) +
                              " ms after each tile: ";
  const std::string advice =
      IsBuiltIn(source)
          ? "wait until the service takes requests again"
          : "lower Workers or raise PauseMs in its section [MapType " +
                std::to_string(source.MapsType) +
                "] of ini/sources.ini, or wait until the service takes requests again";
  return fetched + advice + "; then press Start (or run the same command) to continue.";
}

std::string RefusalStormLine(const RefusalStorm& storm, const std::string& sinceText,
                             const MapSource& source, int32_t workers) {
  return RefusalStormWhat(storm, sinceText) + " " + RefusalStormAdvice(source, workers);
}

std::string LocalTimeText(std::chrono::system_clock::time_point moment) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace kartovel
