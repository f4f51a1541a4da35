#include "ui/card_svg.h"

#include <QString>

namespace velmaro {

QByteArray FramedCardSvg(QByteArray generated, const QRectF& printable) {
    const qsizetype root = generated.indexOf("<svg");
    const qsizetype rootEnd = root < 0 ? -1 : generated.indexOf('>', root);
    const qsizetype end = generated.lastIndexOf("</svg>");
    if (rootEnd < 0 || end < rootEnd) return generated;

    generated.insert(end, "</g>\n");
    // After the title and description, which stay the first children for those who read them.
    const qsizetype description = generated.indexOf("</desc>", rootEnd);
    const qsizetype contentStart =
        description < 0 ? rootEnd + 1 : description + qsizetype(sizeof "</desc>" - 1);
    const QString frame =
        QStringLiteral(
            "\n<clipPath id=\"printable-area\"><rect x=\"%1\" y=\"%2\" width=\"%3\" "
            "height=\"%4\"/></clipPath>\n"
            "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
            "<g clip-path=\"url(#printable-area)\">")
            .arg(printable.x())
            .arg(printable.y())
            .arg(printable.width())
            .arg(printable.height());
    generated.insert(contentStart, frame.toUtf8());
    // SVG 1.1 has no vector-effect; "none" is what it draws anyway.
    generated.replace(R"( vector-effect="none")", "");
    const QByteArray tinyVersion = R"(version="1.2" baseProfile="tiny")";
    const qsizetype version = generated.indexOf(tinyVersion, root);
    if (version >= 0 && version < rootEnd)
        generated.replace(version, tinyVersion.size(), R"(version="1.1")");
    return generated;
}

}  // namespace velmaro
