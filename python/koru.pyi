"""Parse, query, merge, update, check and lay out KORU documents.

Texts go in as str (UTF-8) or bytes and come out as str; bytes that are not
UTF-8 travel as lone surrogates, so every document comes back unchanged.
Columns count characters in a str and bytes in bytes.
"""

from typing import Iterator, List, Mapping, Optional, Sequence, Union, overload

Text = Union[str, bytes]

__version__: str

class Error(Exception):
    """Base class of the errors koru raises."""

class RefusedError(Error):
    """A source or update text was refused; nothing changed."""

    code: str
    """A short reason, such as 'unbalanced' or 'no-frame'."""
    message: str
    line: Optional[int]
    """1-based line of the place the refusal names; None when unknown."""
    column: Optional[int]
    offset: Optional[int]
    """Byte offset in the text the failing step saw; None when unknown."""

class DeletedNodeError(Error, ReferenceError):
    """The node was deleted from its document (by delete, a merge or an update)."""

class Attributes(Mapping[str, str]):
    """A live, read-only view of a node's attribute (or new-value) table.

    Keys are upper-cased names in the order the statement wrote them; values
    are as written, quotes kept. The tag name is a key with the empty value.
    """

    def __getitem__(self, key: str) -> str: ...
    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...

class Node:
    """One start statement of a document.

    A Node keeps its document alive. Once the document deleted the node, every
    use but `alive`, `==`, `hash` and `repr` raises DeletedNodeError.
    """

    @property
    def tag(self) -> str:
        """The tag name, upper-cased."""
    @property
    def level(self) -> int:
        """Nesting level: 2 for the statements directly inside <U>."""
    @property
    def statement(self) -> str:
        """The statement's text without its closing '>'."""
    @property
    def word_count(self) -> int:
        """Words of the statement outside name=value pairs."""
    @property
    def attrs(self) -> Attributes:
        """The attribute table, a live read-only mapping."""
    @property
    def new_values(self) -> Attributes:
        """The new-value table: values that updates and merges assigned, unquoted."""
    def __getitem__(self, name: str) -> str:
        """The value of attribute NAME (case ignored), one pair of surrounding quotes removed."""
    @overload
    def get(self, name: str) -> Optional[str]: ...
    @overload
    def get(self, name: str, default: str) -> str: ...
    def __contains__(self, name: str) -> bool: ...
    @property
    def parent(self) -> Optional["Node"]:
        """The node this one is nested in directly; None at the top."""
    @property
    def children(self) -> List["Node"]:
        """The nodes nested directly in this one, in closing order."""
    @property
    def href(self) -> Optional[str]:
        """The link target of this node or of its nearest ancestor that has one."""
    @property
    def line(self) -> Optional[int]:
        """1-based line where the statement began in the text it came from
        (the source parsed, or the fragment merged that brought the node);
        None when unknown, as for nodes an update built."""
    @property
    def column(self) -> Optional[int]:
        """1-based column of that place."""
    @property
    def alive(self) -> bool:
        """False once the document deleted the node."""
    @property
    def document(self) -> "Document":
        """The document that holds the node."""
    def assign(self, name: str, value: Text, new_value: bool = False) -> bool:
        """Set attribute NAME (case ignored) to VALUE as written, when the node
        has it; True when it has. With new_value, a non-empty VALUE also goes,
        unquoted, into the new-value table."""

class Document:
    """A KORU document: the nodes of its start statements in closing order
    (each node after every node nested in it). Iterating gives the nodes."""

    def __init__(self) -> None:
        """An empty document; its first merge parses the document itself."""
    def merge(self, text: Text, overwrite: bool = False, new_values: bool = False) -> None:
        """Merge a fragment (a whole source, '<U>...</U>') into the document;
        into an empty document, parse it. With overwrite, values the fragment
        restates replace the document's; with new_values they also go into
        the new-value tables. Raises RefusedError, and then nothing changed."""
    def update(self, text: Text, new_values: bool = False) -> List[Node]:
        """Apply an update text (statements without the '<U>' frame) batch by
        batch, overwriting; return the nodes it rebuilt. Raises RefusedError."""
    def delete(self, node: Node) -> None:
        """Delete NODE and every node nested in it."""
    def delete_children(self, parent: Node, tag: str, t_value: Text) -> None:
        """Delete the children of PARENT tagged TAG (case ignored) whose T value
        is T_VALUE, each with the nodes nested in it."""
    def find(self, tag: Optional[str] = None, name: Optional[Text] = None,
             level: Optional[int] = None) -> Optional[Node]:
        """The first node, in closing order, with tag TAG (case ignored), N value
        NAME and level LEVEL (each when given); None if none."""
    def find_all(self, tag: Optional[str] = None, name: Optional[Text] = None,
                 level: Optional[int] = None) -> List[Node]:
        """Every such node, in closing order."""
    @property
    def body(self) -> Optional[Node]:
        """The document's single B node; None when it has none or several."""
    @property
    def nodes(self) -> List[Node]:
        """Every node, in closing order."""
    def __iter__(self) -> Iterator[Node]: ...
    def __len__(self) -> int: ...
    def write(self) -> str:
        """The document written out as a source: '<U>', each node as a start
        statement built from its attribute table, nested by level. Comments,
        macros and layout are not kept; format() keeps them."""

class Diagnostic:
    """A finding of check(): an error (the source is refused) or a warning (it
    parses, but is almost surely a mistake). Lines and columns are 1-based."""

    @property
    def severity(self) -> str:
        """'error' or 'warning'."""
    @property
    def code(self) -> str:
        """A short, stable name, such as 'unclosed-start'."""
    @property
    def message(self) -> str: ...
    @property
    def refusal(self) -> Optional[str]:
        """Errors: the reason the parse refuses the source, such as 'unbalanced'."""
    @property
    def line(self) -> Optional[int]: ...
    @property
    def column(self) -> Optional[int]: ...
    @property
    def end_line(self) -> Optional[int]: ...
    @property
    def end_column(self) -> Optional[int]: ...
    @property
    def note(self) -> Optional[str]:
        """A second place the finding names, such as where a quoted value ran to."""
    @property
    def note_line(self) -> Optional[int]: ...
    @property
    def note_column(self) -> Optional[int]: ...

class SourcePiece:
    """A piece of a source as its author wrote it. The pieces of a source,
    in order, together are the source. Offsets, lengths and columns count
    characters in a str and bytes in bytes."""

    kind: str
    """'start' or 'end' (a statement), 'comment', 'macro-block', or 'text'
    (between statements, after </U>, or what a reading cut short left)."""
    text: Text
    offset: int
    length: int
    line: int
    column: int

def read_source(text: Text) -> List[SourcePiece]:
    """Read a source the way a parse reads it, but before macro expansion, into
    pieces that together are the whole text, for tools that point at or
    rewrite what the author wrote."""

def parse(text: Text, overwrite: bool = False) -> Document:
    """Parse a KORU source into a Document. Raises RefusedError, with the
    reason, message, line and column, when the source is refused."""

def check(text: Text, tags: Sequence[Text] = (), disable: Sequence[Text] = ()) -> List[Diagnostic]:
    """Check a source as parse() would take it: errors say where the mistake
    that makes it refused most likely is, warnings what parses but is almost
    surely wrong. TAGS: tag names to accept beside the language's own;
    DISABLE: codes of warnings not to report."""

@overload
def format(text: str, indent: int = 2) -> str: ...
@overload
def format(text: bytes, indent: int = 2) -> bytes:
    """Lay a source out one statement per line, indented by nesting, keeping
    every statement, comment, macro and reference byte for byte; the result
    parses exactly as TEXT does. A text that cannot be laid out without risk
    comes back unchanged. Raises RefusedError for a refused text."""

def uri_encode(text: Text) -> str:
    """Form-encode TEXT (UTF-8): a blank becomes '+', every byte but letters,
    digits and bytes above 127 becomes %xx. ValueError for a zero byte."""

def uri_decode(text: Text) -> str:
    """Decode a form-encoded text; a '%' without two bytes after it stays."""
