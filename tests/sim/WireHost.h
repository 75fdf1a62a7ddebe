#pragma once

// The host side of the wire, built by hand for the simulated instrument's tests: frames,
// reads and vendor requests as the contract gives them, and a configuration download cut into
// the transfers of each data format. Nothing here is the analyzer's code.

#include "SimInstrument.h"

#include <cstdint>
#include <string>
#include <vector>

namespace seiran::sim::wire {

class WireHost {
public:
    explicit WireHost(SimInstrument& sim);

    bool newer() const { return m_sim.isNewerGeneration(); }
    // SendCommand: the frame of the instrument's generation on its endpoint.
    void send(int module, int code, const std::vector<std::uint32_t>& params = {});
    // ReceiveData: the request frame, then the data phase of the instrument's generation.
    std::vector<std::uint8_t> receive(int module, int code, int bytes);
    void vendor(int request, const std::vector<std::uint8_t>& data = {});

    bool nStatus();
    bool confDone();
    void beginConfiguration();
    void fpgaReset();

private:
    SimInstrument& m_sim;
    int m_sequence = 0;
};

std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t index);

// A configuration file as its cells: data lines and trailer.
struct CellFile {
    std::vector<std::vector<std::uint8_t>> lines;
    std::vector<std::uint8_t> trailer;
};

// Reads a cell file strictly: every data line "DDD," cells, the last line without a final
// comma. Empty `error` on success.
CellFile parseCellLines(const std::vector<std::string>& lines, std::string* error);
// The file the build wrote beside the test program.
std::string programFolderFile(const std::string& name);
// Raw bytes of a file; empty when it cannot be read.
std::vector<char> readRaw(const std::string& path);
// The file of the build's program folder, read and parsed; fails the test when it cannot.
CellFile loadCellFile(const std::string& baseName);

enum class DataFormat {
    Line,         // 77 cells: nine 0xF2 and one 0xF3 a line
    Pair,         // 16 cells: two 0xF2 a line
    OlderBlocks,  // blocks of 64 lines as 32 x 0xF6, then pairs as 0xF6, a last line as two 0xF2
    NewerBlocks,  // the same cut into vendor 0xF8 of 64, 32 and 8 bytes
    RemoteBlocks, // full blocks as one 0xF7 each, the rest as the blocks of the generation
};

struct Transfer {
    enum class Part { Data, Trailer, Padding };
    bool isVendor = false;
    int code = 0;
    std::vector<std::uint32_t> params; // command
    std::vector<std::uint8_t> data;    // vendor request
    Part part = Part::Data;
    int bytes() const { return isVendor ? int(data.size()) : int(params.size() * 4); }
};

// Data lines, trailer and padding of `file` as the transfers of `format`; with `newerUsb` the
// block rests, the trailer and the padding take the newer instrument's vendor form.
std::vector<Transfer> planDownload(const CellFile& file, DataFormat format, bool newerUsb);
void run(WireHost& host, const std::vector<Transfer>& plan);

} // namespace seiran::sim::wire
