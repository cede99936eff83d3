// The incremental decoder of the simulator's byte stream.
#include "MessageParser.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint64_t v, int size) {
  for (int i = size - 1; i >= 0; i--) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutDouble(Bytes& b, double d) { Put(b, std::bit_cast<std::uint64_t>(d), 8); }

Bytes Control(int marker, int code) {
  Bytes b;
  Put(b, 10, 4), Put(b, marker, 1), Put(b, code, 1), Put(b, 4242, 4);
  return b;
}

Bytes ProcessorTime(double seconds, int marker = 0xFE) {
  Bytes b;
  Put(b, 12, 4), Put(b, marker, 1), Put(b, 0, 1), Put(b, 3, 2);
  PutDouble(b, seconds);
  return b;
}

// A data record of experiment 3; `lengthDelta` corrupts its length field.
Bytes Record(const std::vector<std::pair<int, std::vector<double>>>& sections, int kind = 1,
             int lengthDelta = 0) {
  Bytes body;
  for (const auto& [pv, values] : sections) {
    Put(body, pv, 2), Put(body, kind, 1), Put(body, values.size(), 4);
    for (double v : values) PutDouble(body, v);
  }
  Bytes b;
  Put(b, 9 + body.size() + lengthDelta, 4), Put(b, 0, 1), Put(b, 3, 2), Put(b, sections.size(), 2);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Feeds `stream` in chunks cut at `cuts` and describes what came out.
std::string Decode(const Bytes& stream, std::vector<std::size_t> cuts,
                   std::string* error = nullptr) {
  MessageParser parser;
  cuts.push_back(stream.size());
  std::size_t at = 0;
  for (std::size_t cut : cuts) {
    parser.Feed(stream.data() + at, cut - at);
    at = cut;
  }
  if (error) *error = parser.Error();
  std::string text;
  SimulatorMessage m;
  while (parser.Next(m)) {
    if (auto* c = std::get_if<ControlMessage>(&m))
      text += "control " + std::to_string(c->code) + " " + std::to_string(c->pid) + ";";
    if (auto* t = std::get_if<ProcessorTimeMessage>(&m))
      text += "time " + std::to_string(t->experiment) + " " + std::to_string(t->seconds) + ";";
    if (auto* r = std::get_if<DataRecord>(&m)) {
      text += "record " + std::to_string(r->experiment);
      for (const auto& s : r->sections) {
        text += " pv" + std::to_string(s.pvIndex) + ":";
        for (double v : s.values) text += std::to_string(v) + ",";
      }
      text += ";";
    }
  }
  return text;
}
}  // namespace

TEST(MessageParser, SameMessagesWhereverTheStreamIsSplit) {
  const Bytes stream =
      Join({Control(0xFF, 1), ProcessorTime(1.5), Record({{0, {1, 2}}, {12, {3.25, -0.5}}}),
            Record({}), ProcessorTime(2.0), Control(0xFE, 2)});
  const std::string expected = Decode(stream, {});
  EXPECT_EQ(
      expected,
      "control 1 4242;time 3 1.500000;record 3 pv0:1.000000,2.000000, pv12:3.250000,-0.500000,;"
      "record 3;time 3 2.000000;control 2 4242;");
  for (std::size_t i = 0; i <= stream.size(); i++)
    for (std::size_t j = i; j <= stream.size(); j += 7)
      ASSERT_EQ(Decode(stream, {i, j}), expected) << i << "," << j;
  std::vector<std::size_t> everyByte;
  for (std::size_t i = 1; i < stream.size(); i++) everyByte.push_back(i);
  EXPECT_EQ(Decode(stream, everyByte), expected);
}

TEST(MessageParser, MalformedMessagesStopTheParser) {
  const Bytes good = Control(0xFF, 1);
  struct Case {
    Bytes bytes;
    const char* error;
  } cases[] = {
      {{0, 0, 0, 7, 1, 2, 3}, "invalid length field 7"},
      {{0xFF, 0xFF, 0xFF, 0xF0}, "invalid length field -16"},
      {{0x7F, 0, 0, 0}, "invalid length field"},
      {Control(0xFF, 9), "unknown control message"},
      {ProcessorTime(1.0, 0xFF), "0xFE"},
      {ProcessorTime(NAN), "invalid processor time"},
      {Record({{0, {1.0}}}, 2), "section kind 2"},
      {Record({{0, {1.0}}}, 1, 8), "does not match"},
      {Record({{0, {1.0, 2.0}}}, 1, -8), "do not fit"},
      {Record({{0, {}}}, 1, 8), "claims 0 observations"},
      {Record({{4, {1.0}}, {2, {1.0}}}), "out of order"},
      {Record({{0, {INFINITY}}}), "not a finite number"},
  };
  for (const Case& c : cases) {
    std::string error;
    const Bytes stream = Join({good, c.bytes, good});
    EXPECT_EQ(Decode(stream, {}, &error), "control 1 4242;") << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_NE(error.find("at byte 10"), std::string::npos) << error;
  }
}
