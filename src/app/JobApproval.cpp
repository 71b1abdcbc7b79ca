// The ceiling and the question before a Start.
#include "app/JobApproval.h"

namespace kartovel {

bool ApproveJob(const RequestedJob& job, Platform& platform, HttpClientFactory makeClient,
                std::shared_ptr<TileDiskCache> cache) {
  const auto limits = ReadJobLimits(job.First.ConfigFilePath);
  if (const auto* fault = std::get_if<std::string>(&limits)) {
    platform.ShowMessage(*fault);
    return false;
  }
  const JobLimits& limit = std::get<JobLimits>(limits);
  const auto estimate = EstimateRequestedJob(job, limit, SizeSampling::WhenItDecides,
                                             std::move(makeClient), std::move(cache));
  const auto* weighed = std::get_if<JobEstimate>(&estimate);
  if (!weighed) {
    return true;
  }
  if (const auto refusal = CeilingRefusal(*weighed, limit)) {
    platform.ShowMessage(*refusal);
    return false;
  }
  return !NeedsQuestion(*weighed, limit) || platform.AskYesNo(BigJobQuestion(*weighed));
}

}  // namespace kartovel
