#!/usr/bin/env python3
"""Writes WordprocessingStructures.docx: a minimal package whose XML uses the
structures a word processor may write and the reader must walk: complex and
simple fields (EQ ruby split over many instrText runs, lower-case eq, an EQ
that is not ruby, a field with a result), content controls, hyperlinks,
smart tags, custom XML, tracked insertions and deletions, alternate content,
special characters, emphasis from document defaults and a basedOn chain,
and a header part that is not part of the story.
   make_structures_docx.py [OUT.docx [OUT_COMMENTED.docx]]"""
import sys
import zipfile

W = 'http://schemas.openxmlformats.org/wordprocessingml/2006/main'
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
MC = 'http://schemas.openxmlformats.org/markup-compatibility/2006'

content_types = '''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/text/main.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>
<Override PartName="/text/looks.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>
<Override PartName="/text/head.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/>
</Types>'''

root_rels = '''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="text/main.xml"/>
</Relationships>'''

doc_rels = '''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="looks.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="head.xml"/>
</Relationships>'''

styles = f'''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:styles xmlns:x="{W}">
<x:docDefaults><x:rPrDefault><x:rPr><x:em x:val="underDot"/></x:rPr></x:rPrDefault></x:docDefaults>
<x:style x:type="paragraph" x:default="1" x:styleId="Body"><x:rPr><x:em x:val="none"/></x:rPr></x:style>
<x:style x:type="paragraph" x:styleId="Plain"/>
<x:style x:type="character" x:styleId="Base"><x:rPr><x:em x:val="circle"/></x:rPr></x:style>
<x:style x:type="character" x:styleId="Derived"><x:basedOn x:val="Base"/></x:style>
<x:style x:type="character" x:styleId="LoopA"><x:basedOn x:val="LoopB"/></x:style>
<x:style x:type="character" x:styleId="LoopB"><x:basedOn x:val="LoopA"/></x:style>
</x:styles>'''

header = f'''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:hdr xmlns:x="{W}"><x:p><x:r><x:t>柱</x:t></x:r></x:p></x:hdr>'''


def r(inner, rpr=''):
    return f'<x:r>{"<x:rPr>" + rpr + "</x:rPr>" if rpr else ""}{inner}</x:r>'


def t(text, rpr=''):
    return r(f'<x:t xml:space="preserve">{text}</x:t>', rpr)


def instr(text, rpr=''):
    return r(f'<x:instrText xml:space="preserve">{text}</x:instrText>', rpr)


def fld(kind):
    return r(f'<x:fldChar x:fldCharType="{kind}"/>')


body = []
# 1: a ruby field split over five instruction runs, lower-case, base marked with a dot.
body.append('<x:p>' + t('前') + fld('begin') + instr(' eq \\o\\ad(\\s\\up 9(') + instr('せい') + instr('),')
            + instr('青', '<x:em x:val="dot"/>') + instr(')') + fld('end') + t('後') + '</x:p>')
# 2: an enclosed character (not ruby), a field with a result, a simple field.
body.append('<x:p>' + fld('begin') + instr('eq \\o\\ac(○,印)') + fld('end')
            + fld('begin') + instr(' AUTHOR ') + fld('separate') + t('著者') + fld('end')
            + f'<x:fldSimple x:instr=" FILENAME ">{t("名前.docx")}</x:fldSimple>'
            + f'<x:fldSimple x:instr="EQ \\* jc2 \\o\\al(\\s\\up 10(かん),漢)">{t("漢")}</x:fldSimple>' + '</x:p>')
# 3: wrappers and revisions.
body.append('<x:p>' + f'<x:hyperlink x:anchor="a">{t("リンク")}</x:hyperlink>'
            + f'<x:smartTag x:uri="u" x:element="e">{t("タグ")}</x:smartTag>'
            + f'<x:customXml x:element="c">{t("カスタム")}</x:customXml>'
            + f'<x:sdt><x:sdtPr/><x:sdtContent>{t("コントロール")}</x:sdtContent></x:sdt>'
            + f'<x:ins x:id="1" x:author="a">{t("挿入")}</x:ins>'
            + f'<x:del x:id="2" x:author="a"><x:r><x:delText>削除</x:delText></x:r></x:del>'
            + f'<mc:AlternateContent><mc:Choice Requires="w14">{t("新")}</mc:Choice><mc:Fallback>{t("旧")}</mc:Fallback></mc:AlternateContent>'
            + '</x:p>')
# 4: special characters.
body.append('<x:p>' + r('<x:t>a</x:t><x:tab/><x:t>b</x:t><x:br/><x:t>c</x:t><x:cr/><x:noBreakHyphen/><x:softHyphen/>'
                        '<x:sym x:font="Wingdings" x:char="2605"/><x:br x:type="column"/><x:t>d</x:t>'
                        '<x:drawing/><x:footnoteReference x:id="1"/><x:t>e</x:t>') + '</x:p>')
# 5: emphasis from every source.
body.append('<x:p><x:pPr><x:pStyle x:val="Plain"/></x:pPr>' + t('既') + t('派', '<x:rStyle x:val="Derived"/>')
            + t('直', '<x:rStyle x:val="Derived"/><x:em x:val="comma"/>') + t('輪', '<x:rStyle x:val="LoopA"/>') + '</x:p>')
body.append('<x:p>' + t('標準') + '</x:p>')
# 6: a content control holding a whole paragraph, then a table with a wrapped row.
body.append(f'<x:sdt><x:sdtContent><x:p>{t("囲み")}</x:p></x:sdtContent></x:sdt>')
body.append('<x:tbl><x:tr><x:tc><x:p>' + t('A') + '</x:p></x:tc><x:tc><x:p>' + t('B') + '</x:p></x:tc></x:tr>'
            f'<x:sdt><x:sdtContent><x:tr><x:tc><x:p>{t("C")}</x:p></x:tc></x:tr></x:sdtContent></x:sdt></x:tbl>')
body.append('<x:p>' + t('終') + '</x:p>')



def package(path, blocks):
    document = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<x:document xmlns:x="{W}" xmlns:r="{R}" '
                f'xmlns:mc="{MC}" mc:Ignorable=""><x:body>' + ''.join(blocks) + '<x:sectPr/></x:body></x:document>')
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('[Content_Types].xml', content_types)
        z.writestr('_rels/.rels', root_rels)
        z.writestr('text/_rels/main.xml.rels', doc_rels)
        z.writestr('text/main.xml', document)
        z.writestr('text/looks.xml', styles)
        z.writestr('text/head.xml', header)


package(sys.argv[1] if len(sys.argv) > 1 else 'WordprocessingStructures.docx', body)
# The same blocks, each with a comment and a CR LF inside: the reader's fast
# tree declines those, so this one is read through the general parser.
if len(sys.argv) > 2:
    package(sys.argv[2], [b.replace('>', '><!-- c -->\r\n', 1) for b in body])
