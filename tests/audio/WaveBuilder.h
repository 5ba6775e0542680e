// Builds RIFF/WAVE files chunk by chunk for the reader and player tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class WaveBuilder {
public:
    using Bytes = std::vector<std::uint8_t>;

    static void Put16(Bytes& b, std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    static void Put32(Bytes& b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    // A fmt payload of `size` bytes (16, 18, or more padded with zeros).
    static Bytes Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, std::uint32_t size = 16, std::uint16_t extra = 0) {
        Bytes b;
        const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
        Put16(b, tag);
        Put16(b, channels);
        Put32(b, rate);
        Put32(b, rate * align);
        Put16(b, align);
        Put16(b, bits);
        if (size >= 18)
            Put16(b, extra);
        b.resize(size, 0);
        return b;
    }

    WaveBuilder& Chunk(const std::string& code, const Bytes& payload) {
        return ChunkWithLength(code, static_cast<std::uint32_t>(payload.size()), payload);
    }
    // A chunk whose stated length may differ from the payload written.
    WaveBuilder& ChunkWithLength(const std::string& code, std::uint32_t length,
                                 const Bytes& payload) {
        m_body.insert(m_body.end(), code.begin(), code.begin() + 4);
        Put32(m_body, length);
        m_body.insert(m_body.end(), payload.begin(), payload.end());
        return *this;
    }

    Bytes Build(const std::string& riff = "RIFF", const std::string& form = "WAVE") const {
        Bytes b(riff.begin(), riff.begin() + 4);
        Put32(b, static_cast<std::uint32_t>(m_body.size() + 4));
        b.insert(b.end(), form.begin(), form.begin() + 4);
        b.insert(b.end(), m_body.begin(), m_body.end());
        return b;
    }

    static Bytes Load(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    // The payload of the first data chunk of a RIFF file as far as the file holds it.
    static Bytes DataOf(const Bytes& file) {
        const std::string code = "data";
        auto at = std::search(file.begin() + 12, file.end(), code.begin(), code.end());
        if (file.end() - at < 8)
            return {};
        const std::uint32_t length =
            at[4] | (at[5] << 8) | (at[6] << 16) | (static_cast<std::uint32_t>(at[7]) << 24);
        const auto from = at + 8;
        const auto held = static_cast<std::size_t>(file.end() - from);
        return Bytes(from, from + static_cast<std::ptrdiff_t>(std::min<std::size_t>(length, held)));
    }

    static void Write(const std::filesystem::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    // 16-bit little-endian samples as bytes.
    static Bytes Samples(const std::vector<std::int16_t>& samples) {
        Bytes b;
        for (const std::int16_t s : samples)
            Put16(b, static_cast<std::uint16_t>(s));
        return b;
    }

private:
    Bytes m_body;
};

// The WAVE files of tests/data/wave, made by other programs (generate.sh there).
inline std::filesystem::path WaveDataFile(const std::string& name) {
    const char* root = std::getenv("PELMORA_SOURCE_DIR");
    return std::filesystem::path(root ? root : ".") / "tests" / "data" / "wave" / name;
}

// A fresh directory per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("pelmora-audio-" + std::to_string(std::random_device{}()) + "-" +
                  std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
