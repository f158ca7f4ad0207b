// The HTTP GET's contract, against a server on 127.0.0.1.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/http.h"
#include "tests/platform/loopback_http_server.h"

namespace platform_contract {

template <typename Backend>
class HttpContract : public testing::Test {
 protected:
  HttpContract()
      : body_(300 * 1024, 'b'),
        server_({
            {"/file",
             [this](const HttpRequest& request) {
               std::lock_guard<std::mutex> lock(mutex_);
               agent_ = request.Header("user-agent");
               cacheControl_ = request.Header("cache-control");
               return HttpAnswer{200, body_, {{"Content-Type", "application/octet-stream"}}};
             }},
            {"/old",
             [](const HttpRequest&) {
               return HttpAnswer{302, "moved", {{"Location", "/file"}}};
             }},
            {"/missing",
             [](const HttpRequest&) {
               return HttpAnswer{404, "not here", {}};
             }},
            {"/cut",
             [](const HttpRequest&) {
               // The connection closes after 5 of the 50 bytes promised.
               return HttpAnswer{200, "start", {{"Content-Length", "50"}}};
             }},
            {"/silent",
             [this](const HttpRequest&) {
               // Accepts the request and says nothing until the test ends.
               while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
               return HttpAnswer{200, "late", {}};
             }},
            {"/trickle",
             [](const HttpRequest&) {
               // Twenty bytes, one every 100 milliseconds.
               return HttpAnswer{200, std::string(20, 't'), {}, std::chrono::milliseconds(100)};
             }},
        }) {}
  ~HttpContract() override { released_ = true; }

  // Fetches `path` from the server, collecting the body and the statuses its pieces came with.
  platform::TransferResult Fetch(const std::string& path, std::string& body,
                                 std::vector<long>& statuses, bool refuse = false) {
    return platform::FetchBody(server_.Url(path), "RideZU/1.0",
                               [&](long status, const char* data, std::size_t size) {
                                 body.append(data, size);
                                 statuses.push_back(status);
                                 return !refuse;
                               });
  }

  const std::string body_;
  std::atomic<bool> released_{false};
  std::mutex mutex_;
  std::string agent_;
  std::string cacheControl_;
  LoopbackHttpServer server_;  // last: its connections end before what they use goes away
};
TYPED_TEST_SUITE_P(HttpContract);

TYPED_TEST_P(HttpContract, TheBodyArrivesInPiecesWithItsStatus) {
  std::string body;
  std::vector<long> statuses;
  platform::TransferResult r = this->Fetch("/file", body, statuses);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.answered);
  EXPECT_EQ(r.status, 200);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(body, this->body_);
  ASSERT_FALSE(statuses.empty());
  for (long status : statuses) EXPECT_EQ(status, 200);
  std::lock_guard<std::mutex> lock(this->mutex_);
  EXPECT_EQ(this->agent_, "RideZU/1.0");
  EXPECT_NE(this->cacheControl_.find("no-cache"), std::string::npos) << this->cacheControl_;
}

TYPED_TEST_P(HttpContract, RedirectionsAreFollowedWithoutTheirBodies) {
  std::string body;
  std::vector<long> statuses;
  platform::TransferResult r = this->Fetch("/old", body, statuses);
  EXPECT_EQ(r.status, 200);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(body, this->body_);
}

TYPED_TEST_P(HttpContract, AnErrorStatusIsAnAnswer) {
  std::string body;
  std::vector<long> statuses;
  platform::TransferResult r = this->Fetch("/missing", body, statuses);
  EXPECT_TRUE(r.answered);
  EXPECT_EQ(r.status, 404);
  EXPECT_EQ(body, "not here");
  platform::HttpResult get = platform::HttpGet(this->server_.Url("/missing"), "RideZU/1.0");
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kNone);
  EXPECT_EQ(get.status, 404);
  EXPECT_EQ(get.body, "not here");
}

TYPED_TEST_P(HttpContract, TheSinkCanEndTheTransfer) {
  std::string body;
  std::vector<long> statuses;
  platform::TransferResult r = this->Fetch("/file", body, statuses, /*refuse=*/true);
  EXPECT_TRUE(r.answered);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(statuses.size(), 1u);
  EXPECT_LT(body.size(), this->body_.size());
}

TYPED_TEST_P(HttpContract, AnAddressNobodyAnswersIsAConnectFailure) {
  const std::string url = "http://" + UnreachableHost() + "/file";
  bool sinkCalled = false;
  platform::TransferResult r = platform::FetchBody(url, "RideZU/1.0", [&](long, const char*, std::size_t) {
    sinkCalled = true;
    return true;
  });
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.answered);
  EXPECT_FALSE(r.complete);
  EXPECT_FALSE(sinkCalled);
  platform::HttpResult get = platform::HttpGet(url, "RideZU/1.0");
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kConnect);
  EXPECT_TRUE(get.body.empty());
  get = platform::HttpGet(this->server_.Url("/file"), "RideZU/1.0");
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kNone);
  EXPECT_EQ(get.body, this->body_);
}

// Regression: a body cut short ended like a whole one, and a truncated download counted as done.
TYPED_TEST_P(HttpContract, ABodyCutShortIsIncomplete) {
  std::string body;
  std::vector<long> statuses;
  platform::TransferResult r = this->Fetch("/cut", body, statuses);
  EXPECT_TRUE(r.answered);
  EXPECT_EQ(r.status, 200);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(body, "start");
  platform::HttpResult get = platform::HttpGet(this->server_.Url("/cut"), "RideZU/1.0");
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kConnect);
  EXPECT_TRUE(get.body.empty());
}

TYPED_TEST_P(HttpContract, CallsOnSeveralThreadsAtOnce) {
  std::string bodies[4];
  platform::TransferResult results[4];
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([this, &bodies, &results, i] {
      std::vector<long> statuses;
      results[i] = this->Fetch(i % 2 ? "/file" : "/old", bodies[i], statuses);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(results[i].complete);
    EXPECT_EQ(bodies[i], this->body_);
  }
}

// The stall bound ends a transfer on which nothing arrives, not one that is slow but steady; the
// total bound ends any transfer that takes longer.
TYPED_TEST_P(HttpContract, TimeBoundsEndSilentAndOverlongTransfers) {
  const struct {
    const char* path;
    platform::HttpTimeouts timeouts;
    bool complete;
  } cases[] = {
      {"/silent", {5, 2, 0}, false},
      {"/trickle", {5, 2, 0}, true},
      {"/trickle", {5, 2, 1}, false},
      {"/trickle", {5, 1, 0, 100}, false},  // steady, but slower than 100 bytes a second
  };
  for (const auto& c : cases) {
    platform::HttpResult get =
        platform::HttpGet(this->server_.Url(c.path), "RideZU/1.0", c.timeouts);
    EXPECT_EQ(get.failure == platform::HttpResult::Failure::kNone, c.complete) << c.path;
    EXPECT_EQ(get.timedOut, !c.complete) << c.path;
    EXPECT_EQ(get.body, c.complete ? std::string(20, 't') : "") << c.path;
  }
}

// A body longer than the caller allows is not held: only the first bytes are ever read.
TYPED_TEST_P(HttpContract, ABodyOverTheLimitIsRefused) {
  platform::HttpResult get = platform::HttpGet(this->server_.Url("/file"), "RideZU/1.0",
                                               platform::HttpTimeouts(), 1000);
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kConnect);
  EXPECT_TRUE(get.tooLarge);
  EXPECT_EQ(get.status, 200);
  EXPECT_TRUE(get.body.empty());
  get = platform::HttpGet(this->server_.Url("/file"), "RideZU/1.0", platform::HttpTimeouts(),
                          this->body_.size());
  EXPECT_EQ(get.failure, platform::HttpResult::Failure::kNone);
  EXPECT_FALSE(get.tooLarge);
  EXPECT_EQ(get.body, this->body_);
}

REGISTER_TYPED_TEST_SUITE_P(HttpContract, TheBodyArrivesInPiecesWithItsStatus,
                            RedirectionsAreFollowedWithoutTheirBodies, AnErrorStatusIsAnAnswer,
                            TheSinkCanEndTheTransfer, AnAddressNobodyAnswersIsAConnectFailure,
                            ABodyCutShortIsIncomplete, CallsOnSeveralThreadsAtOnce,
                            TimeBoundsEndSilentAndOverlongTransfers, ABodyOverTheLimitIsRefused);

}  // namespace platform_contract
