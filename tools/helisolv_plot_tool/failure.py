"""The failure of a run of the tool, and text as its one line shows it."""


class Failure(Exception):
    """A run of the tool that ends with one line on standard error."""

    def __init__(self, message, status=1):
        super().__init__(message)
        self.status = status


def shown(text):
    """Text as it may appear in a message or a chart: control characters,
    other unprintable characters and bytes that are not UTF-8 as escapes."""
    if isinstance(text, bytes):
        text = text.decode("utf-8", "surrogateescape")
    out = []
    for ch in str(text):
        code = ord(ch)
        if 0xDC80 <= code <= 0xDCFF:  # a byte that was not UTF-8
            out.append(f"\\x{code - 0xDC00:02x}")
        elif ch.isprintable():
            out.append(ch)
        elif code < 0x100:
            out.append(f"\\x{code:02x}")
        elif code < 0x10000:
            out.append(f"\\u{code:04x}")
        else:
            out.append(f"\\U{code:08x}")
    return "".join(out)


def quoted(text, limit=60):
    text = shown(text)
    return "'" + (text if len(text) <= limit else text[:limit] + "...") + "'"
