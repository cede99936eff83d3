#ifndef CORVAX_RESULT_FILE_WRITER_H
#define CORVAX_RESULT_FILE_WRITER_H

#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class CorvaxSocket;
class DataPacket;
class RunProgress;
class RunSettings;

// The ASCII and binary result files of a run: opening with their headers,
// the records of every drain, the header rewrite that keeps "BATCHES=" with
// the run, and the closing (sync to disk included, with any failure
// reported and failing the exit status). A binary record is the bytes of a
// data record (RecordEncoder), which the drain also sends to the manager.
//
// The file names, the header values and the batch count come from the
// settings and the progress given at construction, read when needed: the
// manager may name the binary file during the run.
class ResultFileWriter {
 public:
  static constexpr int FileVersion = 1;
  static constexpr size_t BinHeaderSize = 256;

  ResultFileWriter(const RunSettings& settings, const RunProgress& progress);
  ResultFileWriter(const ResultFileWriter&) = delete;
  ResultFileWriter& operator=(const ResultFileWriter&) = delete;
  // Closes what is still open (CloseFiles).
  ~ResultFileWriter();

  // Opens the files the settings name and writes their headers; ends the
  // process with status 1 when one cannot be opened.
  void OpenResultFiles();
  // Opens the binary file the settings now name (the manager's command);
  // 0, or the errno of the failure (the stream is then dropped).
  int OpenBinaryFileNamed();
  // End of Run: final header, close; later records go nowhere.
  void FinishBinaryFileAtEndOfRun();
  // End of the simulator: the ASCII file's closing line and the binary
  // file's final header, each file synced and closed.
  void CloseFiles();

  std::ofstream* AsciiStream() const { return ascii_.get(); }
  std::ofstream* BinStream() const { return binary_.get(); }

  // Files and headers.
  std::unique_ptr<std::ofstream> CreateAsciiFile(const char* fileName) const;
  std::unique_ptr<std::ofstream> CreateBinFile(const char* fileName) const;
  std::string CreateBinFileHeader(int fileVersion) const;
  void UpdateBinFileHeader(std::ofstream& stream) const;
  void CloseBinFile(std::ofstream& stream) const;
  void CloseAsciiFile(std::ofstream& stream) const;

  // Records: the bytes of a data record appended to the binary file (when
  // it is open), which is then flushed; the data lines of a packet written
  // to an ASCII stream, which is then flushed.
  void WriteBinaryRecord(const std::vector<unsigned char>& record);
  void WriteAsciiRecord(const DataPacket& packet, std::ostream& asciiStream) const;
  // The ASCII text of one observation value ("%.10lf" without surplus
  // trailing zeros).
  static std::string FormatAsciiValue(double value);

  // Output primitives, big-endian: n doubles, an int, a short, a byte, sent
  // on the socket (if any) and written to the stream (if any). Each returns
  // the bytes written, or -1 when the send failed; the stream receives the
  // bytes all the same. (The drain writes whole records instead, and sends
  // through the manager link, which stops the run on a failed send.)
  static int Output(CorvaxSocket* socket, std::ostream* stream, const double* values, int n);
  static int OutputInt(CorvaxSocket* socket, std::ostream* stream, int value);
  static int OutputShort(CorvaxSocket* socket, std::ostream* stream, short value);
  static int OutputByte(CorvaxSocket* socket, std::ostream* stream, char value);
  // The value with its eight bytes in reverse order.
  static double EndianConvertDouble(double value);

 private:
  const RunSettings& settings_;
  const RunProgress& progress_;
  std::unique_ptr<std::ofstream> ascii_;
  std::unique_ptr<std::ofstream> binary_;
};

#endif
