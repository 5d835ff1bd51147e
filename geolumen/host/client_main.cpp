// geolumen-client: one sensor client of a running geolumen-host. Connects, asks for the report interval,
// accuracy and NMEA sentences it was given, subscribes, and prints every event as one JSON line on
// stdout. Everything else (errors) goes to stderr.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/client_json.h"
#include "host/client_options.h"
#include "host/command_line.h"
#include "host/run_dir.h"
#include "host/sensor_client.h"
#include "platform/driver_host.h"
#include "sensor/sensor_keys.h"

namespace {

using namespace geolumen;
using namespace geolumen::host;

enum ExitCode : int {
    kExitOk = 0,
    kExitClosed = 1,
    kExitUsage = 2,
    kExitConnect = 3,
    kExitRefused = 4,
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "geolumen-client: error: %s\n", message.c_str());
    return code;
}

void Print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Session {
  public:
    Session(SensorClient& client, const ClientOptions& options) : client_(client), options_(options) {
        if (options.seconds)
            deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(*options.seconds);
    }

    // Sends a request and waits for its reply, printing the events that come before it. Returns the
    // exit code to stop with, or -1 to go on with `reply` holding the reply's body after the result.
    int Call(MessageType type, const std::function<void(MessageWriter&)>& body, HRESULT* hr,
             std::vector<uint8_t>* reply) {
        uint32_t id = 0;
        const int sent = client_.Send(type, body, &id);
        // A host that turned the connection away wrote why before it closed; that is still to be read.
        if (sent != 0 && sent != -EPIPE && sent != -ECONNRESET) return Lost(sent);
        for (;;) {
            ReceivedMessage message;
            const int got = client_.Receive(message, deadline_);
            if (got == 0) return kExitOk;
            if (got < 0) return Lost(sent != 0 ? sent : got);
            if (message.type == MessageType::kReply && message.requestId == id) {
                MessageReader reader(message.body);
                *hr = reader.GetI32();
                if (!reader.Ok()) return Fail(kExitClosed, "the host sent a reply without a result");
                if (reply) reply->assign(message.body.begin() + 4, message.body.end());
                return -1;
            }
            // This tool sends only whole requests: an error of no request is the host turning it away.
            if (message.type == MessageType::kError && (message.requestId == id || message.requestId == 0)) {
                const bool turnedAway = message.requestId == 0;
                MessageReader reader(message.body);
                const HRESULT error = reader.GetI32();
                return Fail(turnedAway ? kExitClosed : kExitRefused,
                            std::string(turnedAway ? "the host refused the connection: "
                                                   : "the host did not take the request: ") +
                                reader.GetText() + " (" + DescribeHresult(error) + ")");
            }
            if (const int stop = Event(message); stop >= 0) return stop;
        }
    }

    // Prints events until the count or the time is reached or the host goes.
    int Listen() {
        for (;;) {
            if (options_.count && dataEvents_ >= *options_.count) return kExitOk;
            ReceivedMessage message;
            const int got = client_.Receive(message, deadline_);
            if (got == 0) return kExitOk;
            if (got < 0) return Lost(got);
            if (const int stop = Event(message); stop >= 0) return stop;
        }
    }

  private:
    // Prints one pushed message; an exit code when the count is reached, else -1.
    int Event(const ReceivedMessage& message) {
        MessageReader reader(message.body);
        if (message.type == MessageType::kStateChanged) {
            const uint32_t state = reader.GetU32();
            if (reader.Done()) Print(FormatStateLine(state));
        } else if (message.type == MessageType::kEvent) {
            const ValueList values = reader.GetValues();
            if (!reader.Done()) return -1;
            Print(FormatEventLine(values));
            for (const auto& [key, value] : values) {
                const GUID* id = std::get_if<GUID>(&value);
                if (key == SENSOR_EVENT_PARAMETER_EVENT_ID && id && *id == SENSOR_EVENT_DATA_UPDATED) {
                    ++dataEvents_;
                }
            }
            if (options_.count && dataEvents_ >= *options_.count) return kExitOk;
        }
        return -1;
    }

    int Lost(int status) {
        if (status == -ECONNRESET || status == -EPIPE)
            return Fail(kExitClosed, "the host closed the connection");
        if (status == -EPROTO) return Fail(kExitClosed, "the host sent something that is not a message");
        return Fail(kExitClosed, std::string("connection lost: ") + std::strerror(-status));
    }

    SensorClient& client_;
    const ClientOptions& options_;
    SensorClient::Deadline deadline_;
    uint64_t dataEvents_ = 0;
};

// A refused entry of a property write, named.
int CheckRefusals(const std::vector<uint8_t>& reply) {
    MessageReader reader(reply);
    const ValueList results = reader.GetValues();
    for (const auto& [key, value] : results) {
        if (const ErrorValue* error = std::get_if<ErrorValue>(&value)) {
            return Fail(kExitRefused,
                        "the sensor refused " + JsonKeyName(key) + ": " + DescribeHresult(error->hr));
        }
    }
    return -1;
}

int Run(const ClientOptions& options) {
    const auto socket = SensorSocketPath(ResolveRunDir(options.runDir), options.socket);
    // Only a folder of our own user or root holds a host to believe: in anyone else's, that user could
    // stand in for the host. A missing folder means no host, which the connect below reports.
    const CheckedFolder folder = OpenSocketFolder(socket);
    if (!folder.Valid() && folder.error != -ENOENT) return Fail(kExitConnect, folder.text);
    const std::filesystem::path target =
        folder.Valid() ? std::filesystem::path(PathThroughFolder(folder, socket.filename().string()))
                       : socket;
    SensorClient client;
    if (const int status = client.Connect(target); status != 0) {
        if (status == -ENOENT) return Fail(kExitConnect, "no sensor socket at " + socket.string());
        if (status == -ECONNREFUSED) return Fail(kExitConnect, "connection refused at " + socket.string());
        return Fail(kExitConnect, "cannot connect to " + socket.string() + ": " + std::strerror(-status));
    }
    Session session(client, options);
    HRESULT hr = S_OK;
    std::vector<uint8_t> reply;
    if (const int stop = session.Call(MessageType::kConnect, nullptr, &hr, nullptr); stop >= 0) return stop;
    if (FAILED(hr)) return Fail(kExitRefused, "the sensor refused the connection: " + DescribeHresult(hr));

    if (options.properties) {
        if (const int stop = session.Call(MessageType::kGetSupportedProperties, nullptr, &hr, &reply);
            stop >= 0)
            return stop;
        MessageReader keysReader(reply);
        const KeyList keys = keysReader.GetKeys();
        if (FAILED(hr) || !keysReader.Done()) return Fail(kExitRefused, "the sensor has no property list");
        auto putKeys = [&](MessageWriter& writer) { writer.PutKeys(keys); };
        if (const int stop = session.Call(MessageType::kGetProperties, putKeys, &hr, &reply); stop >= 0)
            return stop;
        MessageReader valuesReader(reply);
        const ValueList values = valuesReader.GetValues();
        if (FAILED(hr) || !valuesReader.Done())
            return Fail(kExitRefused, "the sensor's properties could not be read");
        Print(FormatPropertiesLine(values));
        return kExitOk;
    }

    ValueList settings;
    if (options.interval) settings.emplace_back(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, *options.interval);
    if (options.accuracy) settings.emplace_back(SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, *options.accuracy);
    if (options.nmea) settings.emplace_back(SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{1});
    if (!settings.empty()) {
        auto putValues = [&](MessageWriter& writer) { writer.PutValues(settings); };
        if (const int stop = session.Call(MessageType::kSetProperties, putValues, &hr, &reply); stop >= 0)
            return stop;
        if (FAILED(hr)) return Fail(kExitRefused, "the sensor refused the settings: " + DescribeHresult(hr));
        if (const int stop = CheckRefusals(reply); stop >= 0) return stop;
    }
    if (const int stop = session.Call(MessageType::kSubscribe, nullptr, &hr, nullptr); stop >= 0) return stop;
    if (FAILED(hr)) return Fail(kExitRefused, "the sensor refused the subscription: " + DescribeHresult(hr));
    return session.Listen();
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    int exit = kExitOk;
    const auto options = CommandLineOrExit(
        "geolumen-client", ParseClientOptions(std::vector<std::string>(argv + 1, argv + argc), &error), error,
        ClientUsage(), &exit);
    if (!options) return exit;
    return Run(*options);
}
