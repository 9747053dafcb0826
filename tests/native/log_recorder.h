// Records every log report on the channels it listens to, in order.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "util/log.h"

class LogRecorder {
 public:
  using Report = std::pair<int, std::string>;

  explicit LogRecorder(std::vector<int> channels) {
    for (int channel : channels) {
      sinks_.push_back(new Sink(this));
      AddLogSink(sinks_.back(), channel);
    }
  }
  ~LogRecorder() {
    for (Sink* sink : sinks_) {
      RemoveLogSink(sink);
      delete sink;
    }
  }
  LogRecorder(const LogRecorder&) = delete;
  LogRecorder& operator=(const LogRecorder&) = delete;

  std::vector<Report> reports;

 private:
  class Sink final : public LogSink {
   public:
    explicit Sink(LogRecorder* owner) : owner_(owner) {}
    void Deliver(const char* text) override { owner_->reports.emplace_back(channel, text); }

   private:
    LogRecorder* owner_;
  };
  std::vector<Sink*> sinks_;
};
