// The built-in Windows header with the default options, written out in full.
#pragma once

#include <string>

namespace tessaly::testing {

inline const std::u16string kDefaultWindowsHeader =
    u"<UNICODE-WIN>\r\n"
    u"<FeatureSet:InDesign-Japanese><ColorTable:=<Black:COLOR:CMYK:Process:0,0,0,1>>\r\n"
    u"<DefineCharStyle:ルビ標準=<Nextstyle:ルビ標準><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cMojiRuby:1><rUseOTProGlyph:1>>\r\n"
    u"<DefineCharStyle:モノルビ=<Nextstyle:モノルビ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cMojiRuby:1><rUseOTProGlyph:1>>\r\n"
    u"<DefineCharStyle:グループルビ=<Nextstyle:グループルビ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cMojiRuby:0><rUseOTProGlyph:1>>\r\n"
    u"<DefineCharStyle:割注=<Nextstyle:割注><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cWarichu:1><cWariLines:2><cWariRelSize:0.5>>\r\n"
    u"<DefineCharStyle:文字前ベタ=<Nextstyle:文字前ベタ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cBeforeSpace:0>>\r\n"
    u"<DefineCharStyle:文字後ベタ=<Nextstyle:文字後ベタ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cAfterSpace:0>>\r\n"
    u"<DefineCharStyle:文字後4分アキ=<Nextstyle:文字後4分アキ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cAfterSpace:0.25>>\r\n"
    u"<DefineCharStyle:文字後半角アキ=<Nextstyle:文字後半角アキ><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cAfterSpace:0.5>>\r\n"
    u"<DefineCharStyle:圏点1=<Nextstyle:圏点1><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cKentenKind:1><cBoutenHorizontalScale:0.7><cBoutenVerticalScale:0.7>>\r\n"
    u"<DefineCharStyle:圏点5=<Nextstyle:圏点5><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cKentenKind:5><cBoutenHorizontalScale:0.7><cBoutenVerticalScale:0.7>>\r\n"
    u"<DefineParaStyle:段落標準=<Nextstyle:段落標準><cTypeface:R><cSize:11.338583><cLeading:18.425197><cFont:小塚明朝 Pro><cMojiRuby:1><rUseOTProGlyph:1>>\r\n"
    u"<ParaStyle:段落標準>";

}  // namespace tessaly::testing
