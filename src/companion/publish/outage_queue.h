#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "companion/publish/mqtt_payloads.h"

namespace tavr {

// The messages on their way to the broker, oldest first: those handed to the MQTT client and
// not yet acknowledged, then those waiting (while the broker is away, or for room in flight).
// It holds at most `capacity` messages; a message that finds it full pushes out the oldest
// waiting one, which is counted as dropped.
class OutageQueue {
  public:
    explicit OutageQueue(std::size_t capacity) : capacity_(capacity) {}

    void Push(MqttMessage message);

    // The oldest waiting message; nullptr when none waits.
    const MqttMessage* NextWaiting() const;
    // The oldest waiting message was handed to the client, which knows it as `id`.
    void MarkHanded(int id);
    // The broker acknowledged the message handed as `id`: it leaves the queue. False for an id
    // not handed.
    bool Acknowledge(int id);

    // The client that held the handed messages is gone (the gateway changed brokers): they wait
    // again, in their order, ahead of the others.
    void ReturnHanded();

    std::size_t Size() const { return entries_.size(); }
    std::size_t Handed() const { return handed_; }
    std::uint64_t Dropped() const { return dropped_; }

  private:
    struct Entry {
        MqttMessage message;
        std::optional<int> id;  // set once handed
    };

    std::size_t capacity_;
    std::deque<Entry> entries_;  // the handed ones first
    std::size_t handed_ = 0;
    std::uint64_t dropped_ = 0;
};

}  // namespace tavr
