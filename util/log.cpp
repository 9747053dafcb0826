// Log channels. The stub itself adds no sink, so its reports go nowhere;
// tests and tools add sinks to observe them.
#include "util/log.h"

char g_logDefaultText[4] = {0, 0, 0, 0};
char g_reportBuffer[256] = {0};

namespace {
LogSink* g_logHead = nullptr;

// Channels are 16-bit: 65536 is channel 0 again.
unsigned short ChannelOf(int channel) { return static_cast<unsigned short>(channel & 0xFFFF); }
}  // namespace

LogSink* FindLogChannel(int channel) {
  const unsigned short wanted = ChannelOf(channel);
  for (LogSink* sink = g_logHead; sink; sink = sink->next)
    if (sink->channel == wanted) return sink;
  return nullptr;
}

void LogReport(int channel, const char* text) {
  if (!text) text = g_logDefaultText;
  if (LogSink* sink = FindLogChannel(channel)) sink->Deliver(text);
  // Compared on 16 bits like the lookup, so channel 0's sink never gets a report twice.
  if (ChannelOf(channel) != 0) {
    if (LogSink* sink = FindLogChannel(0)) sink->Deliver(text);
  }
}

// Sinks are appended, so the first sink added for a channel is the one found.
// The caller keeps ownership and removes its sink before it goes away.
void AddLogSink(LogSink* sink, int channel) {
  if (!sink) return;
  RemoveLogSink(sink);
  sink->channel = ChannelOf(channel);
  sink->next = nullptr;
  LogSink** link = &g_logHead;
  while (*link) link = &(*link)->next;
  *link = sink;
}

void RemoveLogSink(LogSink* sink) {
  for (LogSink** link = &g_logHead; *link; link = &(*link)->next) {
    if (*link == sink) {
      *link = sink->next;
      sink->next = nullptr;
      return;
    }
  }
}
