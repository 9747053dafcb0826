// Log channels: a report goes to the sink of its channel, then to channel 0's.
#pragma once

class LogSink {
 public:
  LogSink* next = nullptr;
  unsigned short channel = 0;
  virtual void Deliver(const char* text) = 0;
 protected:
  ~LogSink() = default;
};

LogSink* FindLogChannel(int channel);
void LogReport(int channel, const char* text);

// The stub registers no sink; tests and tools do, to observe reports.
void AddLogSink(LogSink* sink, int channel);
void RemoveLogSink(LogSink* sink);

extern char g_logDefaultText[4];   // stands for a missing text; stays empty
extern char g_reportBuffer[256];   // CreateProcess and ProcessDialog reports
