# Dumps a workbook as JSON through Spreadsheet::ParseExcel, in the same shape as
# read_xlrd.py: sheets, cells with fonts and formats, merged areas, widths, heights.
use strict;
use warnings;
use Encode qw(decode encode);
use JSON::PP;
use Spreadsheet::ParseExcel;

my $path = shift;
my $parser = Spreadsheet::ParseExcel->new;
my $book = $parser->parse($path) or die $parser->error . "\n";
my $biff8 = $book->{BIFFVersion} >= 0x600;

# BIFF8 texts come back as characters; BIFF5 texts as the CP932 bytes of the file.
sub text {
    my ($s, $encoded) = @_;
    return $s if !defined $s;
    return decode('cp932', $s) if !$encoded && !utf8::is_utf8($s);
    return $s;
}

my @sheets;
for my $sh ($book->worksheets) {
    my %cells;
    my ($r0, $r1) = $sh->row_range;
    my ($c0, $c1) = $sh->col_range;
    for my $r ($r0 .. $r1) {
        for my $c ($c0 .. $c1) {
            my $cell = $sh->get_cell($r, $c) or next;
            my $fmt = $cell->get_format;
            my $font = $fmt->{Font};
            my $kind = $cell->{Type} eq 'Text' ? 'text' : $cell->{Type} eq 'Numeric' ? 'number' : 'blank';
            $kind = 'blank' if ($cell->{_Kind} // '') =~ /blank/i;
            my $value = $cell->unformatted;
            if ($kind eq 'number') { $value = 0 + $value }
            elsif ($kind eq 'text') {
                # UTF-16 texts come back as UTF-16BE bytes marked 'ucs2'.
                $value = ($cell->{Code} // '') eq 'ucs2' ? decode('UTF-16BE', $value) : text($value, $biff8);
            }
            my $fmtstr = $book->{FormatStr}{$fmt->{FmtIdx}};
            $cells{"$r,$c"} = {
                kind => $kind,
                value => $value,
                font => [text($font->{Name}, $biff8), 0 + $font->{Height} * 20, 0 + ($font->{Bold} ? 700 : 400),
                         0 + ($font->{Italic} ? 1 : 0), 0 + $font->{Color}],
                format => defined $fmtstr ? text($fmtstr, $biff8) : 'General',
                halign => 0 + $fmt->{AlignH},
                fill => [map { 0 + $_ } @{$fmt->{Fill}}],
                pattern => [map { 0 + $_ } @{$fmt->{Fill}}[0, 1]],
                border => [map { 0 + $_ } @{$fmt->{BdrStyle}}[2, 3, 0, 1]],
            };
        }
    }
    my @merged = map { [$_->[0], $_->[2], $_->[1], $_->[3]] } @{$sh->get_merged_areas || []};
    my %widths;
    my $cw = $sh->{ColWidth} || [];
    my %heights;
    my $rh = $sh->{RowHeight} || [];
    for my $i (0 .. $#$rh) { $heights{$i} = int($rh->[$i] * 20 + 0.5) if defined $rh->[$i] && int($rh->[$i] * 20 + 0.5) != 270 }
    for my $i (0 .. $#$cw) { $widths{$i} = $cw->[$i] if defined $cw->[$i] }
    push @sheets, { name => text($sh->get_name, $biff8), cells => \%cells, merged => [sort { "@$a" cmp "@$b" } @merged],
                    widths => \%widths, heights => \%heights };
}
binmode STDOUT, ':utf8';
print JSON::PP->new->canonical->encode({ sheets => \@sheets });
