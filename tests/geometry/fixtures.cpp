#include "fixtures.h"

#include <sstream>

namespace fixtures {

std::vector<CanvasCall>& recordedCalls() {
  static std::vector<CanvasCall> calls;
  return calls;
}

namespace {
void record(const char* name, std::vector<float> args) {
  recordedCalls().push_back({name, std::move(args)});
}
const MarkerCanvas kRecorder{
    [](float size) { record("pointSize", {size}); },
    [](float width) { record("lineWidth", {width}); },
    [](float r, float g, float b) {
      record("colour", {r, g, b});
    },
    [](unsigned int primitive) { record("begin", {static_cast<float>(primitive)}); },
    [](float x, float y) {
      record("vertex", {x, y});
    },
    [] { record("end", {}); },
};
}  // namespace

RecordingCanvas::RecordingCanvas() {
  recordedCalls().clear();
  markerCanvas = &kRecorder;
}

RecordingCanvas::~RecordingCanvas() {
  markerCanvas = nullptr;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace fixtures
