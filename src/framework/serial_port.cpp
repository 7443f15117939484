#include "framework/serial_port.h"

#include <utility>

#include "framework/window.h"

namespace tavr {

SerialPort::SerialPort(Window& owner, Text name, const DeviceFactory& makeDevice)
    : Control(owner, std::move(name), kKind, {}), alive_(std::make_shared<SerialPort*>(this)) {
    if (makeDevice) {
        device_ = makeDevice(MakeQueueReadyPoster());
    }
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open() {
    SerialOpenResult outcome{SerialOpenError::SystemError, "", "the port has no serial unit"};
    if (device_ != nullptr) {
        outcome = device_->Open(properties_);
    }
    lastOpenFailure_ =
        DescribeOpenFailure(properties_.PortNumber(), properties_.BaudRate(), outcome);
    return outcome.Succeeded();
}

void SerialPort::Close() {
    if (device_ != nullptr) {
        device_->Close();
    }
}

bool SerialPort::IsOpen() const {
    return device_ != nullptr && device_->IsOpen();
}

bool SerialPort::Send(const Value& data) {
    return device_ != nullptr && device_->Send(data);
}

void SerialPort::WindowCreated() {
    if (properties_.OpenOnCreate() != 0) {
        Open();
    }
}

void SerialPort::WindowClosing() {
    Close();
}

SerialPort::QueueReadyPoster SerialPort::MakeQueueReadyPoster() {
    return [poster = Owner().Thread().SharedPoster(), alive = std::weak_ptr(alive_)] {
        poster->Post([alive] {
            if (const auto self = alive.lock()) {
                (*self)->DeliverQueued();
            }
        });
    };
}

void SerialPort::DeliverQueued() {
    if (device_ == nullptr || Owner().IsClosed()) {
        return;
    }
    const Window& window = Owner();
    deliveredAt_ = window.Thread().Now();
    device_->DeliverQueued([this, &window](const SerialEvent& event) {
        RaiseEvent(event);
        // A handler that closed the window has destroyed this port: deliver nothing more.
        return !window.IsClosed();
    });
}

void SerialPort::RaiseEvent(const SerialEvent& event) const {
    switch (event.kind) {
        case SerialEvent::Kind::DataArrival:
            if (onDataArrival) {
                onDataArrival(event.argument & 0xFF);
            }
            break;
        case SerialEvent::Kind::CommEvent:
            if (onCommEvent) {
                onCommEvent(event.argument);
            }
            break;
    }
}

}  // namespace tavr
