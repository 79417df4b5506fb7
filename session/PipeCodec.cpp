#include "session/PipeCodec.h"

#include "text/TextCodec.h"

std::optional<std::string> cPipeCodec::EncodeText(tPipeEncoding encoding, std::wstring_view text) {
  std::string bytes;
  switch (encoding.Scheme) {
    case esUTF8: cTextCodec::AppendUtf8(text, bytes); return bytes;
    case esUTF16LE: cTextCodec::AppendUtf16(text, false, bytes); return bytes;
    case esUTF16BE: cTextCodec::AppendUtf16(text, true, bytes); return bytes;
    case esANSI: break;
  }
  return cTextCodec::ToCodePageExact(encoding.Oem ? CP_OEMCP : CP_ACP, text);
}

std::wstring cPipeCodec::DecodeText(tPipeEncoding encoding, const void* data, size_t count) {
  cStreamDecoder decoder;
  std::wstring text = decoder.Decode(encoding, data, count);
  return text + decoder.Flush();
}
