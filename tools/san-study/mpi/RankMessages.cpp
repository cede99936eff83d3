#include "RankMessages.h"

#include <algorithm>
#include <cstring>

MessageWriter& MessageWriter::Put(std::int64_t value) {
  const char* bytes = reinterpret_cast<const char*>(&value);
  bytes_.insert(bytes_.end(), bytes, bytes + sizeof value);
  return *this;
}

MessageWriter& MessageWriter::Put(double value) {
  const char* bytes = reinterpret_cast<const char*>(&value);
  bytes_.insert(bytes_.end(), bytes, bytes + sizeof value);
  return *this;
}

MessageWriter& MessageWriter::Put(const std::string& text) {
  Put(static_cast<std::int64_t>(text.size()));
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}

void MessageReader::Read(void* out, std::size_t size) {
  if (bytes_.size() - at_ < size)
    throw std::runtime_error("a message between the ranks ended short");
  std::memcpy(out, bytes_.data() + at_, size);
  at_ += size;
}

RankMessage MessageReader::Kind() { return static_cast<RankMessage>(Integer()); }

std::int64_t MessageReader::Integer() {
  std::int64_t value;
  Read(&value, sizeof value);
  return value;
}

double MessageReader::Number() {
  double value;
  Read(&value, sizeof value);
  return value;
}

std::string MessageReader::Text() {
  const std::int64_t size = Integer();
  if (size < 0 || static_cast<std::size_t>(size) > bytes_.size() - at_)
    throw std::runtime_error("a message between the ranks holds a malformed text");
  std::string text(bytes_.data() + at_, static_cast<std::size_t>(size));
  at_ += static_cast<std::size_t>(size);
  return text;
}

StreamPlacement::StreamPlacement(const std::vector<int>& streamsPerRun, int ranks) {
  std::size_t position = 0;
  for (int streams : streamsPerRun) {
    first_.push_back(position);
    std::vector<int> others;
    for (int s = 0; s < streams; s++, position++) {
      const int rank = static_cast<int>(position % static_cast<std::size_t>(std::max(1, ranks)));
      ranks_.push_back(rank);
      if (rank != 0 && std::find(others.begin(), others.end(), rank) == others.end())
        others.push_back(rank);
    }
    others_.push_back(std::move(others));
  }
}

std::vector<char> BlockMessage(std::int64_t run, std::int64_t stream, double processorSeconds,
                               const std::vector<Replication>& replications) {
  MessageWriter message(RankMessage::Block);
  message.Put(run)
      .Put(stream)
      .Put(processorSeconds)
      .Put(static_cast<std::int64_t>(replications.size()));
  message.Put(static_cast<std::int64_t>(replications.empty() ? 0 : replications.front().size()));
  for (const Replication& r : replications)
    for (double x : r) message.Put(x);
  return message.Take();
}
