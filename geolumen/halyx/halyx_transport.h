#pragma once
// The table through which the client layer reaches a transport, and the service instance records that a
// transport's service lookup writes. One transport is registered: the USB transport of
// halyx_usb_transport.h.
#include <cstddef>
#include <cstdint>

namespace geolumen {

struct halyx_client;
struct halyx_usb_connection;

inline constexpr std::size_t kHalyxMaxAddress = 16;

struct halyx_service_instance {
    std::uint8_t transport_index = 0;
    std::uint8_t version = 0;         // the IDL version the caller asked for
    std::uint8_t transport_data = 0;  // first byte of the transport's data
    std::uint8_t reserved = 0;
    std::uint8_t address[kHalyxMaxAddress] = {};  // empty for the USB transport (address length 0)
};

// Slot order as the client layer calls them.
struct halyx_transport_ops {
    // Opens a connection for `client` on `service`; with `wants_receive` a receive path (a slot and a
    // client id) is set up. Null on failure.
    halyx_usb_connection* (*open)(void* transport_data, halyx_client* client, std::uint8_t service,
                                  const std::uint8_t* address, bool wants_receive);
    // Sends one message (message header + payload); 0 on success, -1 otherwise.
    int (*send)(halyx_usb_connection* connection, const std::uint8_t* address, const std::uint8_t* message,
                std::size_t length);
    // Releases the connection's client id, closes its slot, tells the client and frees the connection.
    void (*close)(halyx_usb_connection* connection);
    // Number of instances of `service` (0 or 1). When `capacity` is given, it receives that number and at
    // most the capacity passed in entries are written into `entries`, if given.
    std::uint32_t (*query_services)(void* transport_data, std::uint8_t transport_index, std::uint8_t service,
                                    std::uint8_t version, std::uint32_t* capacity,
                                    halyx_service_instance* entries);
    std::size_t (*address_size)();
};

// Registered transports (at most one); index i is the transport index of its service instances.
[[nodiscard]] std::size_t halyx_transport_count();
[[nodiscard]] const halyx_transport_ops* halyx_transport_at(std::size_t index, void** transport_data);
// Registers the one transport; a second registration is ignored.
void halyx_transport_register(const halyx_transport_ops* ops, void* transport_data);
// Forgets the registration (the stack being torn down).
void halyx_transport_unregister();

}  // namespace geolumen
