#include "tags/id3v2convert.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

// Every frame of version 2.2, and the iTunes additions to it, with its version 2.3 id.
constexpr std::pair<std::string_view, std::string_view> Ids[] = {
    {"BUF", "RBUF"},
    {"CNT", "PCNT"},
    {"COM", "COMM"},
    {"CRA", "AENC"},
    {"EQU", "EQUA"},
    {"ETC", "ETCO"},
    {"GEO", "GEOB"},
    {"IPL", "IPLS"},
    {"LNK", "LINK"},
    {"MCI", "MCDI"},
    {"MLL", "MLLT"},
    {"PIC", "APIC"},
    {"POP", "POPM"},
    {"REV", "RVRB"},
    {"RVA", "RVAD"},
    {"SLT", "SYLT"},
    {"STC", "SYTC"},
    {"TAL", "TALB"},
    {"TBP", "TBPM"},
    {"TCM", "TCOM"},
    {"TCO", "TCON"},
    {"TCP", "TCMP"},
    {"TCR", "TCOP"},
    {"TDA", "TDAT"},
    {"TDY", "TDLY"},
    {"TEN", "TENC"},
    {"TFT", "TFLT"},
    {"TIM", "TIME"},
    {"TKE", "TKEY"},
    {"TLA", "TLAN"},
    {"TLE", "TLEN"},
    {"TMT", "TMED"},
    {"TOA", "TOPE"},
    {"TOF", "TOFN"},
    {"TOL", "TOLY"},
    {"TOR", "TORY"},
    {"TOT", "TOAL"},
    {"TP1", "TPE1"},
    {"TP2", "TPE2"},
    {"TP3", "TPE3"},
    {"TP4", "TPE4"},
    {"TPA", "TPOS"},
    {"TPB", "TPUB"},
    {"TRC", "TSRC"},
    {"TRD", "TRDA"},
    {"TRK", "TRCK"},
    {"TS2", "TSO2"},
    {"TSA", "TSOA"},
    {"TSC", "TSOC"},
    {"TSI", "TSIZ"},
    {"TSP", "TSOP"},
    {"TSS", "TSSE"},
    {"TST", "TSOT"},
    {"TT1", "TIT1"},
    {"TT2", "TIT2"},
    {"TT3", "TIT3"},
    {"TXT", "TEXT"},
    {"TXX", "TXXX"},
    {"TYE", "TYER"},
    {"UFI", "UFID"},
    {"ULT", "USLT"},
    {"WAF", "WOAF"},
    {"WAR", "WOAR"},
    {"WAS", "WOAS"},
    {"WCM", "WCOM"},
    {"WCP", "WCOP"},
    {"WPB", "WPUB"},
    {"WXX", "WXXX"},
    // iTunes frames
    {"GP1", "GRP1"},
    {"MVI", "MVIN"},
    {"MVN", "MVNM"},
    {"PCS", "PCST"},
    {"TCT", "TCAT"},
    {"TDR", "TDRL"},
    {"TDS", "TDES"},
    {"TID", "TGID"},
    {"WFD", "WFED"},
};

std::string PictureMimeType(std::string_view format) {
  std::string lower(format);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (lower == "jpg") return "image/jpeg";
  if (lower == "png") return "image/png";
  // "-->" stands for a link to the picture in both versions.
  if (format == "-->") return std::string(format);
  return "image/" + lower;
}

}  // namespace

std::string ConvertFrameId(std::string_view id22) {
  const auto found = std::find_if(std::begin(Ids), std::end(Ids),
                                  [&](const auto& entry) { return entry.first == id22; });
  return found != std::end(Ids) ? std::string(found->second) : "X" + std::string(id22);
}

TID3v2Frame ConvertFrame(const TID3v2Frame& frame22) {
  TID3v2Frame frame{ConvertFrameId(frame22.Id), 0, frame22.Body};
  // Picture: encoding byte, image format (three bytes), then the rest as in 2.3, whose MIME
  // type is a terminated string.
  if (frame22.Id == "PIC" && frame22.Body.size() >= 4) {
    frame.Body = frame22.Body.substr(0, 1) + PictureMimeType(frame22.Body.substr(1, 3)) + '\0' +
                 frame22.Body.substr(4);
  }
  // Linked information: the id of the frame it links to comes first.
  if (frame22.Id == "LNK" && frame22.Body.size() >= 3) {
    frame.Body = ConvertFrameId(frame22.Body.substr(0, 3)) + frame22.Body.substr(3);
  }
  return frame;
}
