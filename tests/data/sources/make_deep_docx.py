#!/usr/bin/env python3
"""Writes .docx files whose markup nests far deeper than any document does.
Each must be refused with its reason, never crash the reader."""
import zipfile

RELS = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="r" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
        'Target="word/document.xml"/></Relationships>')
W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
RUN = '<w:r><w:t>x</w:t></w:r>'


def nested(open_tag, close_tag, count, inner):
    return open_tag * count + inner + close_tag * count


CASES = {
    'Hyperlink': nested('<w:hyperlink>', '</w:hyperlink>', 24000, RUN),
    'SmartTag': nested('<w:smartTag>', '</w:smartTag>', 50000, RUN),
    'CustomXml': nested('<w:customXml>', '</w:customXml>', 50000, RUN),
    'Insertion': nested('<w:ins>', '</w:ins>', 50000, RUN),
    'RunContentControl': nested('<w:sdt><w:sdtContent>', '</w:sdtContent></w:sdt>', 50000, RUN),
    'SimpleField': nested('<w:fldSimple w:instr="MERGEFIELD x">', '</w:fldSimple>', 50000, RUN),
    'RubyInReading': '<w:r>' + nested('<w:ruby><w:rt><w:r>', '</w:r></w:rt><w:rubyBase>' + RUN + '</w:rubyBase></w:ruby>',
                                      50000, '<w:t>y</w:t>') + '</w:r>',
}

for name, inline in CASES.items():
    with zipfile.ZipFile(f'../DeepNesting{name}.docx', 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr('_rels/.rels', RELS)
        z.writestr('word/document.xml', f'<w:document {W}><w:body><w:p>{inline}</w:p></w:body></w:document>')
