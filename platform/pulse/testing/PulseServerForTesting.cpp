#include "platform/pulse/testing/PulseServerForTesting.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <stdlib.h>
#include <thread>

namespace plat {

namespace {

// The module's arguments naming the device as people read it, and its form.
std::string DescriptionArgument(bool source, const std::string& description,
                                const std::string& formFactor = "") {
    const std::string form = formFactor.empty() ? "" : "device.form_factor=" + formFactor;
    if (source)
        return "description='" + description + "'" +
               (form.empty() ? "" : " source_properties='" + form + "'");
    return "sink_properties='device.description=\"" + description + "\"" +
           (form.empty() ? "" : " " + form) + "'";
}

} // namespace

CPulseServerForTesting::~CPulseServerForTesting() {
    Stop();
}

bool CPulseServerForTesting::Start(std::string& error) {
    if (m_running)
        return true;
    if (!MakeDirectory("pelmora-pulse", error))
        return false;
    const std::string runtime = m_dir + "/runtime";
    std::filesystem::create_directories(runtime);
    {
        std::ofstream rc(m_dir + "/asoundrc");
        rc << "pcm.!default { type pulse }\nctl.!default { type pulse }\n";
    }
    // ALSA reads the system configuration, then ours over it; clients of
    // the server find it through PULSE_SERVER.
    setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + m_dir + "/asoundrc").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + runtime + "/native").c_str(), 1);

    // Root may run a per-user daemon; it only warns.
    const std::string env = "env HOME=" + Quoted(m_dir) + " XDG_RUNTIME_DIR=" + Quoted(runtime) +
                            " PULSE_RUNTIME_PATH=" + Quoted(runtime) + " ";
    const std::string command =
        env +
        "pulseaudio --daemonize=yes --system=no --exit-idle-time=-1 -n --disable-shm=yes "
        "--use-pid-file=yes --log-target=file:" +
        Quoted(m_dir + "/pulse.log") + " -L " +
        Quoted("module-native-protocol-unix socket=" + runtime + "/native") + " -L " +
        Quoted(std::string("module-null-sink sink_name=") + kSink + " " +
               DescriptionArgument(false, kSinkDescription)) +
        " -L " +
        Quoted(std::string("module-null-source source_name=") + kSource + " " +
               DescriptionArgument(true, kSourceDescription));
    std::string output;
    if (!Run(command, &output)) {
        error = "pulseaudio did not start: " + output;
        return false;
    }
    m_running = true;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Pactl("info", output)) {
            Pactl(std::string("set-default-sink ") + kSink, output);
            Pactl(std::string("set-default-source ") + kSource, output);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = "pulseaudio started but does not answer";
    Stop();
    return false;
}

void CPulseServerForTesting::Stop() {
    if (!m_running)
        return;
    std::string ignored;
    Pactl("exit", ignored);
    // Wait until the socket is gone, so a later start does not find it.
    for (int attempt = 0; attempt < 50 && Pactl("info", ignored); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    m_running = false;
}

pid_t CPulseServerForTesting::ServerPid() const {
    std::ifstream file(m_dir + "/runtime/pid");
    long pid = 0;
    return m_running && (file >> pid) && pid > 1 ? static_cast<pid_t>(pid) : 0;
}

bool CPulseServerForTesting::Kill() {
    if (!KillStranger(ServerPid()))
        return false;
    m_running = false;
    return true;
}

bool CPulseServerForTesting::Restart(std::string& error) {
    // A killed daemon leaves its pid file and socket behind.
    std::error_code ignored;
    std::filesystem::remove(m_dir + "/runtime/pid", ignored);
    std::filesystem::remove(m_dir + "/runtime/native", ignored);
    const bool started = Start(error); // the daemon loads the null devices itself
    if (!started) {
        std::ifstream log(m_dir + "/pulse.log");
        error += std::string(std::istreambuf_iterator<char>(log), {});
    }
    return started;
}

std::string CPulseServerForTesting::LoadNullDevice(bool source, const std::string& name,
                                                   const std::string& description,
                                                   const std::string& formFactor) const {
    std::string index;
    const std::string module =
        source ? "module-null-source source_name=" : "module-null-sink sink_name=";
    if (!Pactl("load-module " + module + Quoted(name) + " " +
                   Quoted(DescriptionArgument(source, description, formFactor)),
               index))
        return "";
    return index;
}

} // namespace plat
