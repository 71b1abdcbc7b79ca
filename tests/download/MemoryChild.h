// The transfers whose peak memory a test measures in a child process of its own: the
// client against a server that sends a gigabyte, chunked and then ended by a close. The
// test program's main() runs it when the variable below is set.
#pragma once

#include <cstdint>
#include <string>

#include "download/CurlHttpClient.h"
#include "support/LoopbackServer.h"

namespace kartovel::testing {

inline constexpr char kMemoryChildVariable[] = "KARTOVEL_MEMORY_CHILD";
// Exit statuses that no ordinary run of the test program gives.
inline constexpr int kMemoryChildPassed = 6;
inline constexpr int kMemoryChildFailed = 7;

// Exit status kMemoryChildPassed when every answer was cut at the cap and nothing kept.
inline int RunMemoryChild() {
  try {
    LoopbackServer server;
    const uint64_t gigabyte = uint64_t{1} << 30;
    server.Enqueue(StreamedBodyReply(gigabyte, BodyFraming::Chunked));
    server.Enqueue(StreamedBodyReply(gigabyte, BodyFraming::UntilClose));
    auto client = CreateCurlHttpClient(WorkerRequestProfile());
    for (int answer = 0; answer < 2; ++answer) {
      std::string body;
      const auto failure = client->Get(server.Url("/t.png"), body);
      if (!failure || failure->Message != "Error: the server's answer is too large (over 32 MB)." ||
          !body.empty()) {
        return kMemoryChildFailed;
      }
    }
    return kMemoryChildPassed;
  } catch (...) {
    return kMemoryChildFailed;
  }
}

}  // namespace kartovel::testing
