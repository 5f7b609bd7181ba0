#!/usr/bin/env python3
"""Writes the damaged packages the .docx reader must refuse with a clear error."""
import zipfile

RELS = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="r" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
        'Target="{}"/></Relationships>')

# A package whose main part would inflate to 300 MB of spaces.
with zipfile.ZipFile('InflatesBeyondLimit.docx', 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr('_rels/.rels', RELS.format('word/document.xml'))
    z.writestr('word/document.xml', b' ' * (300 << 20))

# A package without a main document relationship.
with zipfile.ZipFile('PackageWithoutMainDocument.docx', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr('_rels/.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>')
    z.writestr('word/document.xml', '<w:document/>')

# Malformed XML in the main part.
with zipfile.ZipFile('MalformedDocumentXml.docx', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('_rels/.rels', RELS.format('/word/document.xml'))
    z.writestr('word/document.xml', '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
                                    '<w:body><w:p></w:body></w:document>')

# The same package whose headers claim 1,000 bytes for the 300 MB part.
import struct
data = bytearray(open('InflatesBeyondLimit.docx', 'rb').read())
name = b'word/document.xml'
for signature, size_at, name_len_at, name_at in ((b'PK\x03\x04', 22, 26, 30), (b'PK\x01\x02', 24, 28, 46)):
    i = data.find(signature)
    while i >= 0:
        n = struct.unpack_from('<H', data, i + name_len_at)[0]
        if data[i + name_at:i + name_at + n] == name:
            struct.pack_into('<I', data, i + size_at, 1000)
        i = data.find(signature, i + 4)
open('InflatesBeyondItsStatedSize.docx', 'wb').write(data)
