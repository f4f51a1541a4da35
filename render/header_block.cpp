#include "render/header_block.h"

#include "base/text_fields.h"
#include "base/windows1252.h"

namespace velmaro {
namespace {

using Item = PrintItem;

// A text item of data read from the files, which are Windows-1252.
PrintItem Data(std::string_view raw, bool continues = true) {
    return Item::Text(DecodeWindows1252(raw), continues);
}

std::string Joined(std::string_view a, std::string_view b, std::string_view c = {},
                   std::string_view d = {}, std::string_view e = {}) {
    std::string text;
    for (const std::string_view piece : {a, b, c, d, e})
        text += piece;
    return text;
}

}  // namespace

std::string SexLetter(std::string_view sexCode) {
    if (sexCode == "1") return "M";
    if (sexCode == "2") return "F";
    return "X";
}

HeaderResult PrintHeaderBlock(DrawSurface& surface, const Student& student,
                              const CodeTable& titles) {
    const StudentFields& f = student.fields;
    HeaderResult result;

    // Line 1: number as typed, birth (the day is not recorded), address, sex.
    surface.Print({Item::Tab(5), Item::Text("Matr.: "), Item::Text(student.MatrText)});
    const std::string birth =
        Joined("xx/", Right(f.BirthYearMonth, 2), "/", Left(f.BirthYearMonth, 2));
    surface.Print({Item::Tab(25), Item::Text("N.: "), Data(birth)});
    surface.Print({Item::Tab(40), Item::Text("CAP: "), Data(f.PostalCode), Item::Tab(55),
                   Item::Text("Prov.: "), Data(f.Province)});
    surface.Print({Item::Tab(70), Item::Text("Sesso: "), Item::Text(SexLetter(f.SexCode), false)});

    // Line 2: the secondary-school diploma.
    surface.Print({Item::Tab(5), Item::Text("A.S. Dip.: "),
                   Data(Joined(Left(f.DiplomaYear, 2), "/", Right(f.DiplomaYear, 2)))});
    surface.Print({Item::Tab(25), Item::Text("V.Mat.: "), Data(f.DiplomaGrade)});
    const std::string title(titles.NameAt(titles.EntryOf(f.DiplomaCode)));
    surface.Print({Item::Tab(40), Item::Text("Dip.: "), Item::Text(title, false)});

    // Line 3: enrolment, counts, and the labels whose values come at the end of the card.
    result.EnrolDate = Joined("11/01/", Left(f.EnrolYear, 2));
    surface.Print({Item::Tab(5), Item::Text("A.A. Imm.: "),
                   Data(Joined(Left(f.EnrolYear, 2), "/", Right(f.EnrolYear, 2)))});
    surface.Print({Item::Tab(25), Item::Text("N.Anni: "), Item::Number(student.NumYears())});
    surface.Print({Item::Tab(40), Item::Text("N.Esa.: "), Item::Number(student.NumExams())});
    surface.Print({Item::Tab(55), Item::Text("<V_30>: ")});
    result.V30X = surface.CurrentX();
    result.V30Y = surface.CurrentY();
    surface.Print({Item::Tab(72), Item::Text("<V_110>: ")});
    result.V110X = surface.CurrentX();
    result.V110Y = surface.CurrentY();
    surface.Print({});

    // Line 4, graduates only: left open, the chart ends it.
    if (f.DegreeDate != "000000") {
        const std::string_view date = f.DegreeDate;
        surface.Print({Item::Tab(5), Item::Text("D.Lau.: "),
                       Data(Joined(Right(date, 2), "/", Mid(date, 3, 2), "/", Left(date, 2))),
                       Item::Tab(25), Item::Text("V.Lau.: "), Data(Left(f.DegreeGrade, 3))});
        if (f.HonoursMark == "*") surface.Print({Item::Text(" e Lode")});
        result.ChartEnd = Joined(Mid(date, 3, 2), "/", Right(date, 2), "/", Left(date, 2));
    }
    return result;
}

}  // namespace velmaro
