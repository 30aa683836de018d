// Times the block engine on a class-sized request: a library of a few dozen blocks
// plus a "SPMethods" block of 10,000 generated methods (about 10 MB), fetched with
// conditions and a reference table, and the library file scrambling both ways.

#include <chrono>
#include <cstdio>
#include <string>

#include "codelib/CBlocks.h"
#include "codelib/CTextStream.h"

using namespace pf;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Methods(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    s += "Public Function sp_Method" + n + "(ByVal lngID As Long, Optional ByVal strName As String = \"\") As Long\r\n";
    s += "    On Error GoTo ErrHandler\r\n";
    s += "    Dim cmd As ADODB.Command\r\n";
    s += "    Set cmd = InitCommand(\"sp_Method" + n + "\", adCmdStoredProc) '#LCond WithEvents\r\n";
    s += "    cmd.Parameters.Append cmd.CreateParameter(\"@ID\", adInteger, adParamInput, 4, lngID)\r\n";
    s += "    cmd.Parameters.Append cmd.CreateParameter(\"@Name\", adVarChar, adParamInput, 50, strName)\r\n";
    s += "    Execute cmd\r\n";
    s += "    sp_Method" + n + " = cmd.Parameters(0).Value\r\n";
    s += "    Exit Function\r\n";
    s += "ErrHandler:\r\n";
    s += "    ErrorIn \"XXClassNameXX.sp_Method" + n + "(lngID,strName)\", Array(lngID, strName)\r\n";
    s += "End Function\r\n";
  }
  return s;
}

}  // namespace

int main() {
  std::string lib;
  for (int b = 0; b < 40; ++b) {
    lib += "'#block Block" + std::to_string(b) + "\r\n";
    for (int l = 0; l < 200; ++l) lib += "    x = XXClassNameXX.Value(" + std::to_string(l) + ") '#LCond Oracle\r\n";
    lib += "'#endblock\r\n";
  }
  CRefValues refs;
  refs.Add("ClassName", "clsDatabase");
  const std::string methods = Methods(10000);
  std::string names = "Block0";
  for (int b = 1; b < 40; ++b) names += ",Block" + std::to_string(b);
  names += ",SPMethods";

  CBlocks blocks;
  auto t0 = std::chrono::steady_clock::now();
  blocks.Init();
  blocks.UnpackCode(lib);
  blocks.AddBlock(methods, "SPMethods");
  const std::string text = blocks.GetBlocks(names, ",NonOracle,WithEvents", &refs);
  const double s = Seconds(t0);
  const double mb = static_cast<double>(methods.size() + lib.size()) / 1e6;
  std::printf("GetBlocks: %.1f MB in %.3f s = %.0f MB/s (result %.1f MB)\n", mb, s, mb / s,
              static_cast<double>(text.size()) / 1e6);

  t0 = std::chrono::steady_clock::now();
  const std::string scrambled = CTextStream::Scramble(methods);
  const std::string plain = CTextStream::Unscramble(scrambled);
  const double s2 = Seconds(t0);
  std::printf("Scramble + unscramble: %.1f MB in %.3f s = %.0f MB/s (%s)\n", methods.size() / 1e6, s2,
              methods.size() / 1e6 / s2, plain == methods ? "round trip exact" : "ROUND TRIP DIFFERS");
  return plain == methods ? 0 : 1;
}
